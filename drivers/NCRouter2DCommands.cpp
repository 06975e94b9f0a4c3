// The 2-axis family's command table: every command letter of the family
// is written here (selection, current and reset are in NCRouter2D.cpp).
#include "drivers/DriverNumbers.h"
#include "drivers/NCRouter2D.h"

namespace plyx::drivers {

namespace {

// Report items asked for with "?".
constexpr std::int32_t kItemLocation = -1;
constexpr std::int32_t kItemQueueExecutionId = -2;
constexpr std::int32_t kItemQueueId = -3;
constexpr std::int32_t kItemQueueCommand = -4;
constexpr std::int32_t kItemQueueWord = -5;
constexpr std::int32_t kItemQueueLong1 = -6;
constexpr std::int32_t kItemQueueLong2 = -7;
constexpr std::int32_t kItemQueueLong3 = -8;
constexpr std::int32_t kItemEncoderLocation = -11;
constexpr std::int32_t kItemIOConfig = -13;
constexpr std::int32_t kItemMicrostepSize = -14;
constexpr std::int32_t kItemBacklash = -18;
constexpr std::int32_t kItemLimitSwitches = 5;
constexpr std::int32_t kItemTTLValues = 6;
// EEPROM element e is read as item e + 16384 and written after e + 65536.
constexpr std::int32_t kEEPromReadBase = 16384;
constexpr std::int32_t kEEPromWriteBase = 65536;

std::int32_t TTLRestartValue(std::int32_t lTTLRestartOptions, std::int32_t lidTTLPort) {
    return CheckedAdd(CheckedMul(lidTTLPort, 8), lTTLRestartOptions);
}

}  // namespace

// ---- Run state ------------------------------------------------------------------

void NCRouter2D::PauseMotors() { SendCommandText("q"); }

void NCRouter2D::PauseMotorsWithTTLRestart(std::int32_t lTTLRestartOptions, std::int32_t lidTTLPort) {
    SendValueCommand(TTLRestartValue(lTTLRestartOptions, lidTTLPort), "q");
}

void NCRouter2D::PauseNow(std::int32_t lPauseInMicroseconds) { SendValueCommand(lPauseInMicroseconds, "p"); }

void NCRouter2D::QueuePause(std::int32_t lPauseInMicroseconds) { QueueValueCommand(lPauseInMicroseconds, "p"); }

void NCRouter2D::QueuePauseMotorsWithTTLRestart(std::int32_t lTTLRestartOptions, std::int32_t lidTTLPort) {
    QueueValueCommand(TTLRestartValue(lTTLRestartOptions, lidTTLPort), "q");
}

void NCRouter2D::RequestMotorPause() { SendCommandText("q"); }
void NCRouter2D::RequestMotorQuit() { SendCommandText("Q"); }
void NCRouter2D::RequestMotorRestart() { SendCommandText("r"); }
void NCRouter2D::StopMotors() { SendCommandText("Q"); }

// ---- Moves --------------------------------------------------------------------------

void NCRouter2D::SetRequestedXLocation(std::int32_t lX) {
    SelectThisBoard();
    Link().StringWriteDataThenSingleCommand(lX, fIsAbsolute_ ? "X" : "x");
}

void NCRouter2D::SetRequestedYLocation(std::int32_t lY) {
    SelectThisBoard();
    Link().StringWriteDataThenSingleCommand(lY, fIsAbsolute_ ? "Y" : "y");
}

void NCRouter2D::SetRequestedLocation(std::int32_t lX, std::int32_t lY) {
    SetRequestedXLocation(lX);
    SetRequestedYLocation(lY);
}

void NCRouter2D::GoToCurrentRequestedLocation() { SendQueuedCommand("G"); }

void NCRouter2D::GoToCurrentRequestedLocationWithVectorLength(std::int32_t lVectorLength) {
    SendValueThenQueuedCommand(lVectorLength, "G");
}

void NCRouter2D::GoToLocation(std::int32_t lX, std::int32_t lY) {
    SetRequestedLocation(lX, lY);
    GoToCurrentRequestedLocation();
}

void NCRouter2D::GoToLocationWithVectorLength(std::int32_t lX, std::int32_t lY, std::int32_t lVectorLength) {
    SetRequestedLocation(lX, lY);
    GoToCurrentRequestedLocationWithVectorLength(lVectorLength);
}

void NCRouter2D::StartMultiVectorSequence(std::int32_t lTotalLength) { SendValueThenQueuedCommand(lTotalLength, "M"); }

void NCRouter2D::DrawArc(std::int32_t lRadius, std::int32_t lBeginAngleInMicroDegrees,
                         std::int32_t lDeltaAngleInMicroDegrees, std::int32_t cSteps) {
    link::ZentrovaCom& zc = Link();
    zc.StringWriteDataThenSingleCommand(lBeginAngleInMicroDegrees, "S");
    zc.StringWriteDataThenSingleCommand(lDeltaAngleInMicroDegrees, "d");
    zc.StringWriteDataThenSingleCommand(cSteps, "c");
    SendValueThenQueuedCommand(lRadius, "A");
}

void NCRouter2D::DrawArcD(std::int32_t lRadius, double zBeginAngleInDegrees, double zDeltaAngleInDegrees,
                          std::int32_t cSteps) {
    std::int32_t b = RoundToLong(zBeginAngleInDegrees * 1000000.0);
    std::int32_t d = RoundToLong(zDeltaAngleInDegrees * 1000000.0);
    DrawArc(lRadius, b, d, cSteps);
}

void NCRouter2D::SetCurrentCoordinates(std::int32_t lX, std::int32_t lY) {
    SetRequestedLocation(lX, lY);
    SendQueuedCommand("=");
}

void NCRouter2D::SetEncoderCoordinate(const std::string& strWhichMotor, std::int32_t lValue) {
    SelectMotor(strWhichMotor);
    SendValueThenQueuedCommand(lValue, "#");
}

void NCRouter2D::SetEncoderCoordinates(std::int32_t lX, std::int32_t lY) {
    SetEncoderCoordinate("X", lX);
    SetEncoderCoordinate("Y", lY);
}

// ---- Rates and settings -----------------------------------------------------------

void NCRouter2D::SetRunRate(std::int32_t lRunRate) { SendValueCommand(lRunRate, "R"); }
void NCRouter2D::SetRampRate(std::int32_t lRampRate) { SendValueCommand(lRampRate, "P"); }
void NCRouter2D::SetStopOKRate(std::int32_t lStopOKRate) { SendValueCommand(lStopOKRate, "K"); }
void NCRouter2D::QueueRateSet(std::int32_t lQueuedRate) { SendValueThenQueuedCommand(lQueuedRate, "k"); }

void NCRouter2D::SetBoardBaudRate(std::int32_t lRate) {
    SendValueCommand(lRate, "b");
    // The board answers with the rate it now runs at; the port follows it.
    Link().BaudRateSelect(LastCommaResultAsLong());
}

void NCRouter2D::SetIOConfig(std::int32_t lIOConfig) { SendValueCommand(lIOConfig, "t"); }

void NCRouter2D::SetLimitSwitchEnables(std::int32_t fsLimitSwitchesToBlock) {
    SendValueCommand(fsLimitSwitchesToBlock, "T");
}

void NCRouter2D::BlockLimitSwitches(std::int32_t fsLimitSwitchesToBlock) {
    SetLimitSwitchEnables(fsLimitSwitchesToBlock);
}

void NCRouter2D::SetMotorBacklash(const std::string& strWhichMotor, std::int32_t lBacklash) {
    SendMotorValueCommand(strWhichMotor, lBacklash, "F");
}

void NCRouter2D::SetNextQueueElementLongID(std::int32_t lidNew) { SendValueCommand(lidNew, "n"); }

void NCRouter2D::SetReportQueueElementSnapshot(std::int32_t lQueueElement) { SendValueCommand(lQueueElement, "E"); }

void NCRouter2D::SetVerboseMode(std::int16_t sVerboseMode) {
    link::ZentrovaCom& zc = Link();
    zc.StringWriteDataThenSingleCommand(sVerboseMode, "V");
    zc.SetVerboseResponse((sVerboseMode & 1) != 0);
}

void NCRouter2D::SetWindingUpdateMode(const std::string& strWhichMotor, std::int32_t lUpdateMode) {
    SendMotorValueCommand(strWhichMotor, lUpdateMode, "O");
}

// ---- Relays and I/O ports -----------------------------------------------------------

std::int32_t NCRouter2D::RelayClose(std::int32_t lRelayBits) {
    SelectThisBoard();
    return Link().StringWriteDataThenSingleCommand(lRelayBits, "C");
}

std::int32_t NCRouter2D::RelayOpen(std::int32_t lRelayBits) {
    SelectThisBoard();
    return Link().StringWriteDataThenSingleCommand(lRelayBits, "U");
}

std::int32_t NCRouter2D::RelaySet(std::int32_t lRelayBits) {
    SelectThisBoard();
    return Link().StringWriteDataThenSingleCommand(lRelayBits, "D");
}

void NCRouter2D::QueueRelayClose(std::int32_t lRelayBits) { QueueValueCommand(lRelayBits, "C"); }
void NCRouter2D::QueueRelayOpen(std::int32_t lRelayBits) { QueueValueCommand(lRelayBits, "U"); }
void NCRouter2D::QueueRelaySet(std::int32_t lRelayBits) { QueueValueCommand(lRelayBits, "D"); }

void NCRouter2D::SetIOPortsHigh(std::int32_t lRelayBits) { RelayClose(lRelayBits); }
void NCRouter2D::SetIOPortsLow(std::int32_t lRelayBits) { RelayOpen(lRelayBits); }
void NCRouter2D::SetIOPorts(std::int32_t lRelayBits) { RelaySet(lRelayBits); }
void NCRouter2D::QueueSetIOPortsHigh(std::int32_t lRelayBits) { QueueRelayClose(lRelayBits); }
void NCRouter2D::QueueSetIOPortsLow(std::int32_t lRelayBits) { QueueRelayOpen(lRelayBits); }
void NCRouter2D::QueueSetIOPorts(std::int32_t lRelayBits) { QueueRelaySet(lRelayBits); }

// ---- EEPROM ----------------------------------------------------------------------------

std::int32_t NCRouter2D::EEPromReadData(std::int32_t idWhichElement) {
    return ReportNumericSingleValue(CheckedAdd(idWhichElement, kEEPromReadBase));
}

void NCRouter2D::EEPromReset() { SendCommandText("987654321e"); }
void NCRouter2D::EEPromSaveCurrentSettings() { SendCommandText("123456789e"); }

void NCRouter2D::EEPromWriteData(std::int32_t idWhichElement, std::int32_t lValue) {
    std::int32_t item = CheckedAdd(idWhichElement, kEEPromWriteBase);
    SendValueCommand(item, "e");
    SendValueCommand(lValue, "e");
}

// ---- Reports ----------------------------------------------------------------------------

std::int32_t NCRouter2D::ReportNumericSingleValueForMotor(const std::string& strWhichMotor, std::int32_t lidWhich) {
    SendMotorValueCommand(strWhichMotor, lidWhich, "?");
    return LastCommaResultAsLong();
}

std::int32_t NCRouter2D::ReportNumericSingleValue(std::int32_t lidWhich) {
    return ReportNumericSingleValueForMotor("X", lidWhich);
}

std::int32_t NCRouter2D::ReportAToDValue(std::int32_t lIdChannel) {
    SendValueCommand(lIdChannel, "a");
    return LastCommaResultAsLong();
}

std::int32_t NCRouter2D::ReportCurrentLocation(const std::string& strWhichMotor) {
    return ReportNumericSingleValueForMotor(strWhichMotor, kItemLocation);
}

std::int32_t NCRouter2D::ReportCurrentEncoderLocation(const std::string& strWhichMotor) {
    return ReportNumericSingleValueForMotor(strWhichMotor, kItemEncoderLocation);
}

std::int32_t NCRouter2D::ReportCurrentX() { return ReportCurrentLocation("X"); }
std::int32_t NCRouter2D::ReportCurrentY() { return ReportCurrentLocation("Y"); }
std::int32_t NCRouter2D::ReportIOConfig() { return ReportNumericSingleValue(kItemIOConfig); }

std::int32_t NCRouter2D::ReportLatchedData() {
    SendCommandText("L");
    return LastCommaResultAsLong();
}

std::int32_t NCRouter2D::ReportLimitSwitches() { return ReportNumericSingleValue(kItemLimitSwitches); }
std::int32_t NCRouter2D::ReportMicrostepSize() { return ReportNumericSingleValue(kItemMicrostepSize); }

std::int32_t NCRouter2D::ReportMotorBacklash(const std::string& strWhichMotor) {
    return ReportNumericSingleValueForMotor(strWhichMotor, kItemBacklash);
}

std::int32_t NCRouter2D::ReportTTLValues() { return ReportNumericSingleValue(kItemTTLValues); }

std::int16_t NCRouter2D::ReportQueueElementCurrentExecutionID() {
    return RoundToInt(ReportNumericSingleValue(kItemQueueExecutionId));
}

std::int16_t NCRouter2D::ReportQueueElementID() { return RoundToInt(ReportNumericSingleValue(kItemQueueId)); }

std::int16_t NCRouter2D::ReportQueueElementCommand() {
    return RoundToInt(ReportNumericSingleValue(kItemQueueCommand));
}

std::int16_t NCRouter2D::ReportQueueElementWordParameter() {
    return RoundToInt(ReportNumericSingleValue(kItemQueueWord));
}

std::int32_t NCRouter2D::ReportQueueElementLongParameter1() { return ReportNumericSingleValue(kItemQueueLong1); }
std::int32_t NCRouter2D::ReportQueueElementLongParameter2() { return ReportNumericSingleValue(kItemQueueLong2); }
std::int32_t NCRouter2D::ReportQueueElementLongParameter3() { return ReportNumericSingleValue(kItemQueueLong3); }

}  // namespace plyx::drivers
