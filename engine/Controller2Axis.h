#pragma once
// The family-neutral controller operations on the 2-axis controller
// (NCRouter2D). This family has no pulse polarities, resumes with
// RequestMotorRestart, moves with relative X/Y locations, drives the panel
// lamps as relay bits and sets its microstep size and motor current at
// every reset.
#include <cstdint>
#include <string>

#include "app/ParameterSet.h"
#include "drivers/NCRouter2D.h"
#include "engine/Controller.h"
#include "link/ZentrovaCom.h"
#include "platform/Clock.h"

namespace plyx::engine {

class Controller2Axis final : public Controller {
public:
    // Relay bits of the panel lamps, by lamp bit (START, PAUSE, STOP,
    // BURNISH, ABORT).
    static constexpr std::int32_t kRelayStart = 0x4000;
    static constexpr std::int32_t kRelayPause = 0x2000;
    static constexpr std::int32_t kRelayStop = 0x8000;
    static constexpr std::int32_t kRelayBurnish = 0x0800;
    static constexpr std::int32_t kRelayAbort = 0x0400;
    // I/O configuration that makes the lamp relays outputs.
    static constexpr std::int32_t kIOConfig = 0x6000;

    // Binds a new driver to the board link. The parameters (MSPS and
    // MOTORCURRENTMA) are read at every reset; MSPS is lowered there to a
    // size the controller takes.
    Controller2Axis(link::ZentrovaCom& boardLink, app::ParameterSet& params,
                    platform::Clock& clock = platform::SystemClock());

    // Asks the board for its identification (which sets the driver's
    // board type and current scale); the text is not needed.
    void Identify();
    drivers::NCRouter2D& Driver() { return driver_; }

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

    // The relay word that lights the lamps of the given lamp bits.
    static std::int32_t RelayWordForLamps(std::int32_t bits);

private:
    app::ParameterSet& params_;
    drivers::NCRouter2D driver_;
};

}  // namespace plyx::engine
