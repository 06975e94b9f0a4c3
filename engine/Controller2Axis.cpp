#include "engine/Controller2Axis.h"

#include "drivers/DriverNumbers.h"
#include "engine/RunEngine.h"
#include "engine/RunState.h"

namespace plyx::engine {

namespace {

// Latched-data bit of the abort input, and what the engine reads for it.
constexpr std::int32_t kLatchedAbortBit = 16;
constexpr std::int32_t kLatchedAll = 1023;
// This family has four limit inputs; the upper four read as not tripped.
constexpr std::int32_t kUnusedLimitBits = 0xF0;
constexpr std::int32_t kSwitchInputBits = 15;

}  // namespace

Controller2Axis::Controller2Axis(link::ZentrovaCom& boardLink, app::ParameterSet& params, platform::Clock& clock)
    : params_(params), driver_(clock) {
    driver_.SetZentrovaRef(boardLink);
}

void Controller2Axis::Identify() { driver_.ReportCopyRightText(); }

void Controller2Axis::GoToRequested() { driver_.GoToCurrentRequestedLocation(); }
std::int32_t Controller2Axis::WaitIdle(std::int32_t ms) { return driver_.IdleWait(ms); }
std::int32_t Controller2Axis::GetQueueFree() { return driver_.LastQueueCount(); }
void Controller2Axis::PauseController() { driver_.PauseMotors(); }
void Controller2Axis::ResumeController() { driver_.RequestMotorRestart(); }
void Controller2Axis::StopController() { driver_.StopMotors(); }

void Controller2Axis::ResetController() {
    NormalizeMicrosteps(kFamily2Axis, params_);
    // MSPS is now 1, 2, 4, 8 or 16, so the division is exact.
    driver_.ResetBoard(drivers::RoundToInt(16.0 / params_.cMSPS));
    driver_.SetCurrentWhenMotorInMotion("B", params_.cMotorCurrentMA / 1000.0);
}

void Controller2Axis::SetRequestedDelta(std::int32_t steps, std::int32_t motor) {
    if (motor == 1) driver_.SetRequestedXLocation(steps);
    else driver_.SetRequestedYLocation(steps);
}

void Controller2Axis::SetControllerRunRate(std::int32_t rate) { driver_.SetRunRate(rate); }
void Controller2Axis::SetControllerStopOKRate(std::int32_t rate) { driver_.SetStopOKRate(rate); }
void Controller2Axis::SetControllerRampRate(std::int32_t rate) { driver_.SetRampRate(rate); }
void Controller2Axis::SetControllerAddressMode(bool absolute) { driver_.SetAddressMode(absolute); }
void Controller2Axis::SetAutoWait(bool flag) { driver_.SetAutoWaitOnMotionComplete(flag); }
void Controller2Axis::SelectControllerMotor(const std::string& name) { driver_.SelectMotor(name); }

// The 2-axis controller has no pulse polarity setting.
void Controller2Axis::SetControllerPulsePolarities(std::int32_t) {}
std::int32_t Controller2Axis::ReadPulsePolarityWord() { return 0; }

std::int32_t Controller2Axis::ReadLimitSwitches() { return driver_.ReportLimitSwitches() | kUnusedLimitBits; }

std::int32_t Controller2Axis::ReadLatchedData() {
    return (driver_.ReportLatchedData() & kLatchedAbortBit) != 0 ? kLatchedAll : 0;
}

std::int32_t Controller2Axis::ReadSwitchInputs() { return driver_.ReportTTLValues() & kSwitchInputBits; }

std::int32_t Controller2Axis::RelayWordForLamps(std::int32_t bits) {
    std::int32_t word = 0;
    if (bits & 1) word |= kRelayStart;
    if (bits & 2) word |= kRelayPause;
    if (bits & 4) word |= kRelayStop;
    if (bits & 8) word |= kRelayBurnish;
    if (bits & 16) word |= kRelayAbort;
    return word;
}

void Controller2Axis::SetLamps(std::int32_t bits) { driver_.RelaySet(RelayWordForLamps(bits)); }

void Controller2Axis::SetPortDirections() { driver_.SetIOConfig(kIOConfig); }

}  // namespace plyx::engine
