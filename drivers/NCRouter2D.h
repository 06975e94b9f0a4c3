#pragma once
// The driver of the 2-axis controller family (axes X and Y). Binding, the
// ways of sending and the waits come from RouterCore; this class holds the
// family's own words: its firmware names, motor letters (X = 1, Y = 2,
// B = both), the motor-current scale, the reset with a microstep size and
// every command letter of the family.
//
// Letters on the wire ({v} is the decimal text of v):
//   selection  {mask}B          current  {dac}W idle, {dac}H in motion
//   reset      {microsteps}!    idle     h
//   relays     {bits}D set, {bits}C close, {bits}U open; "-" in front queues
//   rates      {r}R run, {r}P ramp, {r}K stop-OK, {r}k queued
//   moves      {x}X {y}Y (x, y when relative), G go, = set coordinates
//   reports    {item}? (motor X unless a motor is named), L latched data
#include <cstdint>
#include <string>

#include "drivers/RouterCore.h"

namespace plyx::drivers {

class NCRouter2D final : public RouterCore {
public:
    // Accepted firmware names, in the order that gives BoardType 1 and 2.
    static constexpr const char* kFirmwareNames = "dsLynNCRouter2D VT2D20NCRouter";
    static constexpr const char* kLongCommands = "ACDEGKMPU";

    explicit NCRouter2D(platform::Clock& clock = platform::SystemClock());
    ~NCRouter2D() override;

    // ---- Identification ----------------------------------------------------
    // 0 not identified yet, 1 dsLynNCRouter2D, 2 VT2D20NCRouter. Never identifies.
    std::int32_t BoardType() const { return lBoardType_; }
    double CurrentScale() const { return zCurrentScale_; }
    double CurrentMax() const { return zCurrentMax_; }
    // Both identify the board first.
    std::string ReportCopyRightText();
    std::string ReportFirmwareVersion();
    // Sends {sMicrostepSize}! and waits up to 400 ms for the reply; without
    // one the port is opened and tested again. Then identifies the board and
    // forgets the last motor selection.
    void ResetBoard(std::int16_t sMicrostepSize);
    // Asked of the board every time (item -20).
    std::int32_t MaxRate();

    // ---- Motor selection ---------------------------------------------------
    // X, Y, B (either case, any mix) or a number; 0 means both. Sends
    // {mask}B only when the selection changed. Error 5 for other letters.
    void SelectMotor(const std::string& strWhich) override;

    // ---- Motor current -----------------------------------------------------
    // DAC value of a current: 0 for 0 or less, else current times the scale,
    // kept between 1 and the board's maximum, to the nearest integer.
    std::int16_t CalculateDacFromMotorCurrent(double zCurrent) const;
    void SetCurrentWhenMotorIdle(const std::string& strWhichMotor, double zCurrent);
    void SetCurrentWhenMotorInMotion(const std::string& strWhichMotor, double zCurrent);

    // ---- Run state ---------------------------------------------------------
    void PauseMotors();
    void PauseMotorsWithTTLRestart(std::int32_t lTTLRestartOptions, std::int32_t lidTTLPort);
    // Sent to the board; the host never sleeps.
    void PauseNow(std::int32_t lPauseInMicroseconds);
    void QueuePause(std::int32_t lPauseInMicroseconds);
    void QueuePauseMotorsWithTTLRestart(std::int32_t lTTLRestartOptions, std::int32_t lidTTLPort);
    void RequestMotorPause();
    void RequestMotorQuit();
    // The family's resume.
    void RequestMotorRestart();
    void StopMotors();

    // ---- Moves ---------------------------------------------------------------
    void SetAddressMode(bool fIsAbsolute) { fIsAbsolute_ = fIsAbsolute; }
    bool IsAbsolute() const { return fIsAbsolute_; }
    void SetRequestedXLocation(std::int32_t lX);
    void SetRequestedYLocation(std::int32_t lY);
    void SetRequestedLocation(std::int32_t lX, std::int32_t lY);
    void GoToCurrentRequestedLocation();
    void GoToCurrentRequestedLocationWithVectorLength(std::int32_t lVectorLength);
    void GoToLocation(std::int32_t lX, std::int32_t lY);
    void GoToLocationWithVectorLength(std::int32_t lX, std::int32_t lY, std::int32_t lVectorLength);
    void StartMultiVectorSequence(std::int32_t lTotalLength);
    void DrawArc(std::int32_t lRadius, std::int32_t lBeginAngleInMicroDegrees, std::int32_t lDeltaAngleInMicroDegrees,
                 std::int32_t cSteps);
    // Angles in degrees, sent in millionths of a degree (ArithmeticOverflow
    // beyond 32 bits, before anything is sent).
    void DrawArcD(std::int32_t lRadius, double zBeginAngleInDegrees, double zDeltaAngleInDegrees,
                  std::int32_t cSteps);
    void SetCurrentCoordinates(std::int32_t lX, std::int32_t lY);
    void SetEncoderCoordinate(const std::string& strWhichMotor, std::int32_t lValue);
    void SetEncoderCoordinates(std::int32_t lX, std::int32_t lY);

    // ---- Rates and settings ------------------------------------------------
    void SetRunRate(std::int32_t lRunRate);
    void SetRampRate(std::int32_t lRampRate);
    void SetStopOKRate(std::int32_t lStopOKRate);
    void QueueRateSet(std::int32_t lQueuedRate);
    void SetBoardBaudRate(std::int32_t lRate);
    void SetIOConfig(std::int32_t lIOConfig);
    void SetLimitSwitchEnables(std::int32_t fsLimitSwitchesToBlock);
    void BlockLimitSwitches(std::int32_t fsLimitSwitchesToBlock);
    void SetMotorBacklash(const std::string& strWhichMotor, std::int32_t lBacklash);
    void SetNextQueueElementLongID(std::int32_t lidNew);
    void SetReportQueueElementSnapshot(std::int32_t lQueueElement);
    void SetVerboseMode(std::int16_t sVerboseMode);
    void SetWindingUpdateMode(const std::string& strWhichMotor, std::int32_t lUpdateMode);

    // ---- Relays and I/O ports ----------------------------------------------
    // The result of the board link's command (0 "*", 9 "~", -1 time-out).
    std::int32_t RelayClose(std::int32_t lRelayBits);
    std::int32_t RelayOpen(std::int32_t lRelayBits);
    std::int32_t RelaySet(std::int32_t lRelayBits);
    void QueueRelayClose(std::int32_t lRelayBits);
    void QueueRelayOpen(std::int32_t lRelayBits);
    void QueueRelaySet(std::int32_t lRelayBits);
    void SetIOPortsHigh(std::int32_t lRelayBits);
    void SetIOPortsLow(std::int32_t lRelayBits);
    void SetIOPorts(std::int32_t lRelayBits);
    void QueueSetIOPortsHigh(std::int32_t lRelayBits);
    void QueueSetIOPortsLow(std::int32_t lRelayBits);
    void QueueSetIOPorts(std::int32_t lRelayBits);

    // ---- EEPROM ------------------------------------------------------------
    std::int32_t EEPromReadData(std::int32_t idWhichElement);
    void EEPromReset();
    void EEPromSaveCurrentSettings();
    void EEPromWriteData(std::int32_t idWhichElement, std::int32_t lValue);

    // ---- Reports -----------------------------------------------------------
    std::int32_t ReportNumericSingleValueForMotor(const std::string& strWhichMotor, std::int32_t lidWhich);
    std::int32_t ReportNumericSingleValue(std::int32_t lidWhich);
    std::int32_t ReportAToDValue(std::int32_t lIdChannel);
    std::int32_t ReportCurrentLocation(const std::string& strWhichMotor);
    std::int32_t ReportCurrentEncoderLocation(const std::string& strWhichMotor);
    std::int32_t ReportCurrentX();
    std::int32_t ReportCurrentY();
    std::int32_t ReportIOConfig();
    std::int32_t ReportLatchedData();
    std::int32_t ReportLimitSwitches();
    std::int32_t ReportMicrostepSize();
    std::int32_t ReportMotorBacklash(const std::string& strWhichMotor);
    std::int32_t ReportTTLValues();
    std::int16_t ReportQueueElementCurrentExecutionID();
    std::int16_t ReportQueueElementID();
    std::int16_t ReportQueueElementCommand();
    std::int16_t ReportQueueElementWordParameter();
    std::int32_t ReportQueueElementLongParameter1();
    std::int32_t ReportQueueElementLongParameter2();
    std::int32_t ReportQueueElementLongParameter3();

protected:
    std::string IdleQueryLetter() const override { return "h"; }
    bool RequeryAfterFailedIdleQuery() const override { return true; }

private:
    void CheckCopyright();
    // The reset's reply within 400 ms: 0 complete, 9 "~", -1 none.
    std::int32_t ReadResetReply();
    void SetMotorCurrent(const std::string& strWhichMotor, const std::string& strLetter, double zCurrent);

    std::int32_t lBoardType_ = 0;
    bool fIsAbsolute_ = true;
    double zCurrentScale_ = 100.0;
    double zCurrentMax_ = 100.0;
};

}  // namespace plyx::drivers
