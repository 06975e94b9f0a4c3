#pragma once
// The family-neutral controller operations on the 4-axis controller
// (QM4DNCRouter): relative moves as binary deltas, the panel lamps on the
// I/O port, the switches on the slew inputs.
#include <cstdint>
#include <string>

#include "drivers/QM4DNCRouter.h"
#include "engine/Controller.h"
#include "link/ZentrovaCom.h"
#include "platform/Clock.h"

namespace plyx::engine {

class Controller4Axis final : public Controller {
public:
    // Binds a new driver to the board link (board 0 of the link).
    explicit Controller4Axis(link::ZentrovaCom& boardLink, platform::Clock& clock = platform::SystemClock());

    drivers::QM4DNCRouter& Driver() { return driver_; }

    void GoToRequested() override;
    std::int32_t WaitIdle(std::int32_t ms) override;
    std::int32_t GetQueueFree() override;
    void PauseController() override;
    void ResumeController() override;
    void StopController() override;
    void ResetController() override;
    void SetRequestedDelta(std::int32_t steps, std::int32_t motor) override;
    void SetControllerRunRate(std::int32_t rate) override;
    void SetControllerStopOKRate(std::int32_t rate) override;
    void SetControllerRampRate(std::int32_t rate) override;
    void SetControllerAddressMode(bool absolute) override;
    void SetAutoWait(bool flag) override;
    void SelectControllerMotor(const std::string& name) override;
    void SetControllerPulsePolarities(std::int32_t word) override;
    std::int32_t ReadPulsePolarityWord() override;
    std::int32_t ReadLimitSwitches() override;
    std::int32_t ReadLatchedData() override;
    std::int32_t ReadSwitchInputs() override;
    std::int32_t ReportCurrentX() override { return driver_.ReportCurrentX(); }
    std::int32_t ReportCurrentY() override { return driver_.ReportCurrentY(); }
    void SetLamps(std::int32_t bits) override;
    void SetPortDirections() override;

private:
    drivers::QM4DNCRouter driver_;
};

}  // namespace plyx::engine
