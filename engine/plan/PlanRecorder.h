#pragma once
// A controller that runs nothing and records every queued move: with it the
// run engine produces the plan of a run exactly as it would stream it, so a
// board's record of moves can be compared with what the program meant to send.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Controller.h"

namespace plyx::engine {

struct PlannedMove {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t rate = 0;
    bool operator==(const PlannedMove&) const = default;
};

class PlanRecorder final : public Controller {
public:
    std::vector<PlannedMove> moves;
    std::int32_t capacity = 30;

    void GoToRequested() override { moves.push_back({x_, y_, rate_}); }
    // Always idle with every place free: the plan never waits.
    std::int32_t WaitIdle(std::int32_t) override { return 0; }
    std::int32_t GetQueueFree() override { return capacity; }
    void PauseController() override {}
    void ResumeController() override {}
    void StopController() override {}
    void ResetController() override {}
    void SetRequestedDelta(std::int32_t steps, std::int32_t motor) override { (motor == 1 ? x_ : y_) = steps; }
    void SetControllerRunRate(std::int32_t rate) override { rate_ = rate; }
    void SetControllerStopOKRate(std::int32_t) override {}
    void SetControllerRampRate(std::int32_t) override {}
    void SetControllerAddressMode(bool) override {}
    void SetAutoWait(bool) override {}
    void SelectControllerMotor(const std::string&) override {}
    void SetControllerPulsePolarities(std::int32_t) override {}
    std::int32_t ReadPulsePolarityWord() override { return 0; }
    std::int32_t ReadLimitSwitches() override { return limitSwitches; }
    std::int32_t ReadLatchedData() override { return 0; }
    std::int32_t ReadSwitchInputs() override { return switchInputs; }
    void SetLamps(std::int32_t) override {}
    void SetPortDirections() override {}

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
