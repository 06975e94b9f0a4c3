#pragma once
// A controller that runs nothing and records every queued move: with it the
// run engine produces the plan of a run exactly as it would stream it, so a
// board's record of moves can be compared with what the program meant to send.
#include <cstdint>
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

    void GoToRequested() override { moves.push_back({x_, y_, rate_}); }
    std::int32_t GetQueueFree() override { return capacity; }
    void SetRequestedDelta(std::int32_t steps, std::int32_t motor) override { (motor == 1 ? x_ : y_) = steps; }
    void SetControllerRunRate(std::int32_t rate) override { rate_ = rate; }
    std::int32_t ReadLimitSwitches() override { return limitSwitches; }
    std::int32_t ReadSwitchInputs() override { return switchInputs; }

    std::int32_t switchInputs = 0xFF;   // active low: every switch open
    std::int32_t limitSwitches = 0xFF;  // no limit tripped

private:
    std::int32_t x_ = 0;
    std::int32_t y_ = 0;
    std::int32_t rate_ = 0;
};

// The moves in the board simulator's record format: "moves=N", then one
// "line x=.. y=.. rate=.." line per move.
std::string FormatMoves(const std::vector<PlannedMove>& moves);

}  // namespace plyx::engine
