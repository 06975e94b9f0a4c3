#pragma once
// A controller that runs nothing and records every queued move: with it the
// run engine produces the plan of a run exactly as it would stream it, so a
// board's record of moves can be compared with what the program meant to send.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/IdleController.h"

namespace plyx::engine {

struct PlannedMove {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t rate = 0;
    bool operator==(const PlannedMove&) const = default;
};

class PlanRecorder final : public IdleController {
public:
    std::vector<PlannedMove> moves;
    std::int32_t capacity = 30;

    void GoToRequested() override {
        const PlannedMove m{x_, y_, rate_};
        if (onMove) {
            // Streamed: the caller keeps what it needs, so a plan of any
            // length takes no more memory than a short one.
            onMove(m, layerPass ? *layerPass : 1, queuedDistance ? *queuedDistance : 0.0);
            return;
        }
        moves.push_back(m);
        if (layerPass) passes.push_back(*layerPass);
        if (queuedDistance) distanceBefore.push_back(*queuedDistance);
    }
    // When set, each move goes here (with its layer pass and the queued tape
    // before it) instead of into the vectors.
    std::function<void(const PlannedMove&, std::int32_t layerPass, double distanceBefore)> onMove;
    std::int32_t GetQueueFree() override { return capacity; }
    void SetRequestedDelta(std::int32_t steps, std::int32_t motor) override { (motor == 1 ? x_ : y_) = steps; }
    void SetControllerRunRate(std::int32_t rate) override {
        rate_ = rate;
        ++rateSets;
    }
    void SetControllerStopOKRate(std::int32_t rate) override { stopOkRate = rate; }
    void SetControllerRampRate(std::int32_t rate) override { rampRate = rate; }
    std::int32_t ReadLimitSwitches() override { return limitSwitches; }
    std::int32_t ReadSwitchInputs() override { return switchInputs; }

    std::int32_t switchInputs = 0xFF;   // active low: every switch open
    std::int32_t limitSwitches = 0xFF;  // no limit tripped

    // Watched while moves are queued (optional): the engine's layer pass and
    // its queued tape, noted for every move before the move adds to it.
    const std::int32_t* layerPass = nullptr;
    const double* queuedDistance = nullptr;
    std::vector<std::int32_t> passes;
    std::vector<double> distanceBefore;
    std::int64_t rateSets = 0;  // one per straight move handed to the controller
    std::int32_t stopOkRate = 0;
    std::int32_t rampRate = 0;

private:
    std::int32_t x_ = 0;
    std::int32_t y_ = 0;
    std::int32_t rate_ = 0;
};

// The moves in the board simulator's record format: "moves=N", then one
// "line x=.. y=.. rate=.." line per move.
std::string FormatMoves(const std::vector<PlannedMove>& moves);

}  // namespace plyx::engine
