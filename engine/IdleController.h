#pragma once
// A controller with nothing behind it: every command is taken and ignored,
// it is always idle with every queue place free, no limit is tripped and
// every switch is open. A base for controllers that stand in for a board
// (the plan recorder, benchmarks, window tests) and override only what they
// watch.
#include <cstdint>
#include <string>

#include "engine/Controller.h"

namespace plyx::engine {

class IdleController : public Controller {
public:
    void GoToRequested() override {}
    std::int32_t WaitIdle(std::int32_t) override { return 0; }
    std::int32_t GetQueueFree() override { return 30; }
    void PauseController() override {}
    void ResumeController() override {}
    void StopController() override {}
    void ResetController() override {}
    void SetRequestedDelta(std::int32_t, std::int32_t) override {}
    void SetControllerRunRate(std::int32_t) override {}
    void SetControllerStopOKRate(std::int32_t) override {}
    void SetControllerRampRate(std::int32_t) override {}
    void SetControllerAddressMode(bool) override {}
    void SetAutoWait(bool) override {}
    void SelectControllerMotor(const std::string&) override {}
    void SetControllerPulsePolarities(std::int32_t) override {}
    std::int32_t ReadPulsePolarityWord() override { return 0; }
    std::int32_t ReadLimitSwitches() override { return 0xFF; }  // active low
    std::int32_t ReadLatchedData() override { return 0; }
    std::int32_t ReadSwitchInputs() override { return 0xFF; }   // active low
    void SetLamps(std::int32_t) override {}
    void SetPortDirections() override {}
    std::int32_t ReportCurrentX() override { return 0; }
    std::int32_t ReportCurrentY() override { return 0; }
    bool ReportsPosition() const override { return false; }
};

}  // namespace plyx::engine
