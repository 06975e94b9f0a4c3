#pragma once
// The family-neutral controller operations: the only way the run engine
// reaches a controller. One adapter per controller family maps them onto its
// driver; errors of the driver pass through unchanged (BoardLinkError).
#include <cstdint>
#include <string>

namespace plyx::engine {

class Controller {
public:
    virtual ~Controller() = default;

    // Starts the requested relative move (queues it on the controller).
    virtual void GoToRequested() = 0;
    // Idle wait codes: -1 time-out, 0 idle, 1/2 moving with free queue
    // places, 3 paused, 4 stopped.
    virtual std::int32_t WaitIdle(std::int32_t ms) = 0;
    // Free queue places the controller reported last.
    virtual std::int32_t GetQueueFree() = 0;
    virtual void PauseController() = 0;
    virtual void ResumeController() = 0;
    virtual void StopController() = 0;
    virtual void ResetController() = 0;
    // motor 1 is X, any other value Y.
    virtual void SetRequestedDelta(std::int32_t steps, std::int32_t motor) = 0;
    virtual void SetControllerRunRate(std::int32_t rate) = 0;
    virtual void SetControllerStopOKRate(std::int32_t rate) = 0;
    virtual void SetControllerRampRate(std::int32_t rate) = 0;
    virtual void SetControllerAddressMode(bool absolute) = 0;
    virtual void SetAutoWait(bool flag) = 0;
    virtual void SelectControllerMotor(const std::string& name) = 0;
    virtual void SetControllerPulsePolarities(std::int32_t word) = 0;
    virtual std::int32_t ReadPulsePolarityWord() = 0;
    virtual std::int32_t ReadLimitSwitches() = 0;
    virtual std::int32_t ReadLatchedData() = 0;
    virtual std::int32_t ReadSwitchInputs() = 0;
    // Lamp bits as SwitchFlags: 1 START, 2 PAUSE, 4 STOP, 8 BURNISH, 16 ABORT.
    virtual void SetLamps(std::int32_t bits) = 0;
    virtual void SetPortDirections() = 0;
    // The head's position counters in steps, as the moves are given.
    virtual std::int32_t ReportCurrentX() = 0;
    virtual std::int32_t ReportCurrentY() = 0;
    // False for a controller with no board behind it (plans, window tests):
    // its position says nothing about what ran.
    virtual bool ReportsPosition() const { return true; }
};

}  // namespace plyx::engine
