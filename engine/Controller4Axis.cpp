#include "engine/Controller4Axis.h"

namespace plyx::engine {

Controller4Axis::Controller4Axis(link::ZentrovaCom& boardLink, platform::Clock& clock) : driver_(clock) {
    driver_.SetZentrovaRef(boardLink);
}

void Controller4Axis::GoToRequested() { driver_.GoToCurrentRequestedLocation(); }
std::int32_t Controller4Axis::WaitIdle(std::int32_t ms) { return driver_.IdleWait(ms); }
std::int32_t Controller4Axis::GetQueueFree() { return driver_.LastQueueCount(); }
void Controller4Axis::PauseController() { driver_.PauseMotors(); }
void Controller4Axis::ResumeController() { driver_.ResumeMotors(); }
void Controller4Axis::StopController() { driver_.StopMotors(); }
void Controller4Axis::ResetController() { driver_.ResetBoard(); }

void Controller4Axis::SetRequestedDelta(std::int32_t steps, std::int32_t motor) {
    driver_.SetRequestedBinaryDeltaLocation(steps, motor);
}

void Controller4Axis::SetControllerRunRate(std::int32_t rate) { driver_.SetRunRate(rate); }
void Controller4Axis::SetControllerStopOKRate(std::int32_t rate) { driver_.SetStopOKRate(rate); }
void Controller4Axis::SetControllerRampRate(std::int32_t rate) { driver_.SetRampRate(rate); }
void Controller4Axis::SetControllerAddressMode(bool absolute) { driver_.SetAddressMode(absolute); }
void Controller4Axis::SetAutoWait(bool flag) { driver_.SetAutoWaitOnMotionComplete(flag); }
void Controller4Axis::SelectControllerMotor(const std::string& name) { driver_.SelectMotor(name); }
void Controller4Axis::SetControllerPulsePolarities(std::int32_t word) { driver_.SetPulsePolarities(word); }

std::int32_t Controller4Axis::ReadPulsePolarityWord() {
    // Newer firmware keeps the polarities in report item 8.
    return driver_.ReportNumericSingleValue(driver_.BoardType() == 3 ? 8 : -17);
}

std::int32_t Controller4Axis::ReadLimitSwitches() { return driver_.ReportLimitSwitches(); }
std::int32_t Controller4Axis::ReadLatchedData() { return driver_.ReportLatchedData(); }
std::int32_t Controller4Axis::ReadSwitchInputs() { return driver_.ReportSlewSwitches(); }
void Controller4Axis::SetLamps(std::int32_t bits) { driver_.SetIOPorts(static_cast<std::int16_t>(bits), 0); }
void Controller4Axis::SetPortDirections() { driver_.SetIOPortDirections(255, 0); }

}  // namespace plyx::engine
