// QM4DNCRouter: motion settings, ports, relays, DAC, SPI and EEPROM.
#include "drivers/DriverNumbers.h"
#include "drivers/QM4DNCRouter.h"

#include <algorithm>

namespace plyx::drivers {

// ---- Motion settings ------------------------------------------------------

void QM4DNCRouter::SetRunRate(std::int32_t lRunRate) { SendValueCommand(lRunRate, "R"); }
void QM4DNCRouter::SetRampRate(std::int32_t lRampRate) { SendValueCommand(lRampRate, "P"); }
void QM4DNCRouter::SetStopOKRate(std::int32_t lStopOKRate) { SendValueCommand(lStopOKRate, "K"); }

void QM4DNCRouter::QueueRateSet(std::int32_t lQueuedRate) {
    if (IsType3()) SendValueThenQueuedCommand(lQueuedRate, "k");
}

void QM4DNCRouter::SetRateScaleFactor(std::int32_t lRateScaleFactor) {
    if (IsType3()) SendValueCommand(lRateScaleFactor, "f");
}

void QM4DNCRouter::SetPulsePolarities(std::int32_t lPulsePolarities) { SendValueCommand(lPulsePolarities, "O"); }
void QM4DNCRouter::SetPulseWidth(std::int32_t lPulseWidth) { SendValueCommand(lPulseWidth, "N"); }

void QM4DNCRouter::SetMotorBacklash(const std::string& strWhichMotor, std::int32_t lBacklash) {
    WaitOrTrap("SetMotorBacklash");
    SendMotorValueCommand(strWhichMotor, lBacklash, "H");
}

void QM4DNCRouter::SetLimitSwitchEnables(std::int16_t fsLimitSwitchesToBlock) {
    SendValueCommand(fsLimitSwitchesToBlock, "T");
}

void QM4DNCRouter::BlockLimitSwitches(std::int16_t fsLimitSwitchesToBlock) {
    SetLimitSwitchEnables(fsLimitSwitchesToBlock);
}

void QM4DNCRouter::SetInstantStopSensor(std::int16_t fsNewMode) { SendValueCommand(fsNewMode, "t"); }

void QM4DNCRouter::SetIOConfig(std::int32_t lIOConfig) {
    if (IsType3()) SendValueCommand(lIOConfig, "t");
}

void QM4DNCRouter::SetVerboseMode(std::int16_t sVerboseMode) {
    WaitOrTrap("SetVerboseMode");
    link::ZentrovaCom& z = Link();
    z.StringWriteDataThenSingleCommand(sVerboseMode, "V");
    z.SetVerboseResponse((sVerboseMode & 1) != 0);
}

void QM4DNCRouter::SetBoardBaudRate(std::int32_t lRate) {
    if (!IsType3()) return;
    SendValueCommand(lRate, "b");
    Link().BaudRateSelect(LastCommaResultAsLong());
}

void QM4DNCRouter::SetNextQueueElementLongID(std::int32_t lidNew) {
    if (IsType3()) SendValueCommand(lidNew, "n");
}

void QM4DNCRouter::SetReportQueueElementSnapshot(std::int32_t lQueueElement) {
    if (IsType3()) SendValueCommand(lQueueElement, "s");
}

// ---- Relays and ports -----------------------------------------------------

std::int32_t QM4DNCRouter::RelayClose(std::int32_t lRelayBits) {
    SelectThisBoard();
    return Link().StringWriteDataThenSingleCommand(lRelayBits, "J");
}

std::int32_t QM4DNCRouter::RelayOpen(std::int32_t lRelayBits) {
    SelectThisBoard();
    return Link().StringWriteDataThenSingleCommand(lRelayBits, "U");
}

std::int32_t QM4DNCRouter::RelaySet(std::int32_t lRelayBits) {
    SelectThisBoard();
    return Link().StringWriteDataThenSingleCommand(lRelayBits, "E");
}

void QM4DNCRouter::QueueRelayClose(std::int32_t lRelayBits) {
    if (IsType3()) QueueValueCommand(lRelayBits, "J");
}

void QM4DNCRouter::QueueRelayOpen(std::int32_t lRelayBits) {
    if (IsType3()) QueueValueCommand(lRelayBits, "U");
}

void QM4DNCRouter::QueueRelaySet(std::int32_t lRelayBits) {
    if (IsType3()) QueueValueCommand(lRelayBits, "E");
}

void QM4DNCRouter::SetIOPortsRaw(std::int32_t fsNewBits) { SendValueCommand(fsNewBits, "E"); }
void QM4DNCRouter::SetIOPortsRawLow(std::int32_t fsNewBits) { SendValueCommand(fsNewBits, "U"); }
void QM4DNCRouter::SetIOPortsRawHigh(std::int32_t fsNewBits) { SendValueCommand(fsNewBits, "J"); }

void QM4DNCRouter::SetIOPorts(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits) {
    // The slew bits are passed on unmasked.
    SetIOPortsRaw(CheckedAdd(fsNewBitsIO0to7 & 255, CheckedMul(fsNewSlewBits, 256)));
}

void QM4DNCRouter::SetIOPortsLow(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits) {
    SetIOPortsRawLow((fsNewBitsIO0to7 & 255) + (fsNewSlewBits & 255) * 256);
}

void QM4DNCRouter::SetIOPortsHigh(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits) {
    SetIOPortsRawHigh((fsNewBitsIO0to7 & 255) + (fsNewSlewBits & 255) * 256);
}

void QM4DNCRouter::SetIOPortDirections(std::int16_t fsNewDirections, std::int16_t fsNewSlewDirections) {
    SetIOPortDirectionsRaw((fsNewDirections & 255) + (fsNewSlewDirections & 255) * 256);
}

void QM4DNCRouter::SetIOPortDirectionsRaw(std::int32_t fsNewDirections) { SendValueCommand(fsNewDirections, "F"); }

std::int32_t QM4DNCRouter::PackPorts(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits,
                                     std::int16_t fsNewSDBits, std::int16_t fsExtendedBits) {
    std::int32_t p = (fsNewBitsIO0to7 & 255) + (fsNewSlewBits & 255) * 256;
    p = CheckedAdd(p, CheckedMul(fsNewSDBits, 65536));  // the SD bits are not masked
    return CheckedAdd(p, CheckedMul(fsExtendedBits & 255, 16777216));
}

void QM4DNCRouter::SetIOAndSDPorts(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits,
                                   std::int16_t fsNewSDBits, std::int16_t fsExtendedBits) {
    SetIOPortsRaw(PackPorts(fsNewBitsIO0to7, fsNewSlewBits, fsNewSDBits, fsExtendedBits));
}

void QM4DNCRouter::SetIOAndSDPortsLow(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits,
                                      std::int16_t fsNewSDBits, std::int16_t fsExtendedBits) {
    SetIOPortsRawLow(PackPorts(fsNewBitsIO0to7, fsNewSlewBits, fsNewSDBits, fsExtendedBits));
}

void QM4DNCRouter::SetIOAndSDPortsHigh(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits,
                                       std::int16_t fsNewSDBits, std::int16_t fsExtendedBits) {
    SetIOPortsRawHigh(PackPorts(fsNewBitsIO0to7, fsNewSlewBits, fsNewSDBits, fsExtendedBits));
}

void QM4DNCRouter::QueueSetIOAndSDPorts(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits,
                                        std::int16_t fsNewSDBits, std::int16_t fsExtendedBits) {
    if (!IsType3()) return;
    QueueRelaySet(PackPorts(fsNewBitsIO0to7, fsNewSlewBits, fsNewSDBits, fsExtendedBits));
}

void QM4DNCRouter::QueueSetIOAndSDPortsLow(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits,
                                           std::int16_t fsNewSDBits, std::int16_t fsExtendedBits) {
    if (!IsType3()) return;
    QueueRelayOpen(PackPorts(fsNewBitsIO0to7, fsNewSlewBits, fsNewSDBits, fsExtendedBits));
}

void QM4DNCRouter::QueueSetIOAndSDPortsHigh(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits,
                                            std::int16_t fsNewSDBits, std::int16_t fsExtendedBits) {
    if (!IsType3()) return;
    QueueRelayClose(PackPorts(fsNewBitsIO0to7, fsNewSlewBits, fsNewSDBits, fsExtendedBits));
}

// ---- DAC and SPI ------------------------------------------------------------

void QM4DNCRouter::SetDacRaw(std::int32_t idWhichDac, std::int32_t lDacRaw) {
    if (EnsureBoardType() < 2) return;  // types 0 and 1 have no DAC
    SendValueCommand(CheckedAdd(CheckedMul(std::max(idWhichDac, 0), 256), lDacRaw & 255), "d");
}

void QM4DNCRouter::SetDac(std::int32_t idWhichDac, double zDac) {
    if (EnsureBoardType() < 2) return;
    double z = zDac;
    if (z < 0) z = 0;
    if (z > 5) z = 5.0;
    SetDacRaw(idWhichDac, RoundToLong(z * 51));
}

void QM4DNCRouter::SendSPIData(std::int32_t cDataBits, std::int32_t idCSPort, std::int32_t lData) {
    if (IsType3()) return;
    std::int32_t word = (cDataBits & 31) | ((idCSPort & 7) * 32) | CheckedMul(lData, 256);
    SendValueCommand(word, "S");
}

// ---- EEPROM ----------------------------------------------------------------

std::int32_t QM4DNCRouter::EEPromReadData(std::int32_t idWhichElement) {
    if (!IsType3()) return 0;
    return ReportNumericSingleValue(CheckedAdd(idWhichElement, 16384));
}

void QM4DNCRouter::EEPromWriteData(std::int32_t idWhichElement, std::int32_t lValue) {
    if (!IsType3()) return;
    SendValueCommand(CheckedAdd(idWhichElement, 65536), "e");
    SendValueCommand(lValue, "e");
}

void QM4DNCRouter::EEPromReset() {
    if (IsType3()) SendCommandText("987654321e");
}

void QM4DNCRouter::EEPromSaveCurrentSettings() {
    if (IsType3()) SendCommandText("123456789e");
}

}  // namespace plyx::drivers
