#pragma once
// The driver of the 4-axis controller family: every operation becomes a
// short ASCII command (the decimal value, then one command letter) or a
// query whose numeric reply is returned. Boards of type 3 (firmware 5 and
// later) have commands of their own; on other boards those send nothing
// and return the stated default.
#include <cstdint>
#include <string>

#include "drivers/RouterCore.h"

namespace plyx::drivers {

class QM4DNCRouter : public RouterCore {
public:
    // Firmware names accepted, in BoardType order (1, 2).
    static constexpr const char* kFirmwareNames = "QM4DNCRouter QM4DFifoNCStepper";
    // Command letters whose replies may take up to the link's idle time.
    static constexpr const char* kLongCommandLetters = "AGKPRWXYZ";
    // The rate limit of boards below type 3, whose firmware cannot report it.
    static constexpr std::int32_t kDefaultMaxRate = 46012;

    explicit QM4DNCRouter(platform::Clock& clock = platform::SystemClock());

    // ---- Identification ------------------------------------------------
    // 0 not identified yet, 1 QM4DNCRouter, 2 QM4DFifoNCStepper, 3 firmware 5+.
    std::int32_t BoardType() const { return lBoardType_; }
    bool FirmwareAbove2() const { return fFirmwareAbove2_; }
    std::int32_t CachedMaxRate() const { return lCachedMaxRate_; }
    std::string ReportCopyRightText();
    std::string ReportFirmwareVersion();
    void ResetBoard();
    std::int32_t MaxRate();
    std::int32_t ValidateRate(std::int32_t lValue) const { return lValue; }

    // ---- Motor selection and reports -----------------------------------
    // W, X, Y, Z and B (all) in any case, or a mask number; sent as " <mask>M"
    // only when it differs from the selection last sent.
    void SelectMotor(const std::string& strWhich) override;
    std::int32_t ReportNumericSingleValueForMotor(const std::string& strWhichMotor, std::int32_t lidWhich);
    // Reports for motor X (which stays selected on the board afterwards).
    std::int32_t ReportNumericSingleValue(std::int32_t lidWhich);
    std::int32_t ReportQM4DXItem(std::int32_t lidItem);

    std::int32_t ReportAToDValue(std::int32_t lIdChannel);
    std::int32_t ReportCurrentLocation(const std::string& strWhichMotor);
    std::int32_t ReportCurrentEncoderLocation(const std::string& strWhichMotor);
    std::int32_t ReportCurrentSpeed();
    std::int32_t ReportCurrentStepAction();
    std::int32_t ReportCurrentW();
    std::int32_t ReportCurrentX();
    std::int32_t ReportCurrentY();
    std::int32_t ReportCurrentZ();
    std::int32_t ReportIOConfig();
    std::int32_t ReportIOPorts();
    std::int32_t ReportLatchedData();
    std::int32_t ReportLatchedIOEvents();
    std::int32_t ReportLimitSwitches();
    std::int32_t ReportMotorBacklash(const std::string& strWhichMotor);
    std::int32_t ReportRampRate();
    std::int32_t ReportRunRate();
    std::int32_t ReportSlewSwitches();
    std::int32_t ReportStopOKRate();
    std::int32_t ReportPendingLocation();
    std::int32_t ReportRequestScratchPad();
    std::int32_t ReportTargetPosition(const std::string& strWhichMotor);
    std::int32_t ReportTargetSpeed();
    std::int32_t ReportTTLValues();
    std::int32_t ReportQueueElementID();
    std::int32_t ReportQueueElementCommand();
    std::int32_t ReportQueueElementWordParameter();
    std::int32_t ReportQueueElementLongParameter1();
    std::int32_t ReportQueueElementLongParameter2();
    std::int32_t ReportQueueElementLongParameter3();
    std::int32_t ReportQueueElementLongParameter4();
    std::int32_t ReportQueueElementLongParameter5();

    // ---- Run state -------------------------------------------------------
    // Below type 3 the digit-only replies of firmware 2 get the last command
    // letter, and "G4*" reads as idle.
    std::string PackedLastResponse() override;
    void PauseMotors();
    void PauseMotorsWithTTLRestart(std::int32_t lTTLRestartOptions, std::int32_t lidTTLPort);
    // Type 3 pauses on the board; other boards make the host sleep instead.
    void PauseNow(std::int32_t lPauseInMicroseconds);
    void QueuePause(std::int32_t lPauseInMicroseconds);
    void QueuePauseMotorsWithTTLRestart(std::int32_t lTTLRestartOptions, std::int32_t lidTTLPort);
    void ResumeMotors();
    void StopMotors();

    // ---- Locations and motion ------------------------------------------
    void SetAddressMode(bool fIsAbsolute) { fIsAbsolute_ = fIsAbsolute; }
    bool IsAbsolute() const { return fIsAbsolute_; }
    void SetRequestedWLocation(std::int32_t lW);
    void SetRequestedXLocation(std::int32_t lX);
    void SetRequestedYLocation(std::int32_t lY);
    void SetRequestedZLocation(std::int32_t lZ);
    void SetRequestedLocation(std::int32_t lW, std::int32_t lX, std::int32_t lY, std::int32_t lZ);
    // A relative move of one axis (0 W, 1 X, 2 Y, 3 Z): two raw bytes below
    // type 3 (12-bit delta), the value and w/x/y/z on type 3.
    void SetRequestedBinaryDeltaLocation(std::int32_t lDelta, std::int32_t lidWhich);
    void GoToCurrentRequestedLocation();
    void GoToCurrentRequestedLocationWithVectorLength(std::int32_t lVectorLength);
    void GoToLocation(std::int32_t lW, std::int32_t lX, std::int32_t lY, std::int32_t lZ);
    void GoToLocationWithVectorLength(std::int32_t lW, std::int32_t lX, std::int32_t lY, std::int32_t lZ,
                                      std::int32_t lVectorLength);
    void StartMultiVectorSequence(std::int32_t lTotalLength);
    // Below type 3: begin angle in degroids, step count, step size, stop
    // steps. On type 3: begin and swept angle in micro-degrees, step count.
    void DrawArc(std::int32_t lRadius, std::int32_t lBeginAngleInDegroids, std::int32_t cSteps,
                 std::int32_t cStepSize, std::int32_t cStopSteps = 0);
    // Type 3 only: angles in degrees.
    void DrawArcD(std::int32_t lRadius, double zBeginAngleInDegrees, double zDeltaAngleInDegrees,
                  std::int32_t cSteps);
    void SetCurrentCoordinates(std::int32_t lW, std::int32_t lX, std::int32_t lY, std::int32_t lZ);
    void SetEncoderCoordinate(const std::string& strWhichMotor, std::int32_t lValue);
    void SetEncoderCoordinates(std::int32_t lW, std::int32_t lX, std::int32_t lY, std::int32_t lZ);

    // ---- Motion settings -------------------------------------------------
    void SetRunRate(std::int32_t lRunRate);
    void SetRampRate(std::int32_t lRampRate);
    void SetStopOKRate(std::int32_t lStopOKRate);
    void QueueRateSet(std::int32_t lQueuedRate);
    void SetRateScaleFactor(std::int32_t lRateScaleFactor);
    void SetPulsePolarities(std::int32_t lPulsePolarities);
    void SetPulseWidth(std::int32_t lPulseWidth);
    void SetMotorBacklash(const std::string& strWhichMotor, std::int32_t lBacklash);
    void SetLimitSwitchEnables(std::int16_t fsLimitSwitchesToBlock);
    void BlockLimitSwitches(std::int16_t fsLimitSwitchesToBlock);
    void SetInstantStopSensor(std::int16_t fsNewMode);
    void SetIOConfig(std::int32_t lIOConfig);
    void SetVerboseMode(std::int16_t sVerboseMode);
    void SetBoardBaudRate(std::int32_t lRate);
    void SetNextQueueElementLongID(std::int32_t lidNew);
    void SetReportQueueElementSnapshot(std::int32_t lQueueElement);

    // ---- Ports, relays, DAC, SPI ---------------------------------------
    std::int32_t RelayClose(std::int32_t lRelayBits);
    std::int32_t RelayOpen(std::int32_t lRelayBits);
    std::int32_t RelaySet(std::int32_t lRelayBits);
    void QueueRelayClose(std::int32_t lRelayBits);
    void QueueRelayOpen(std::int32_t lRelayBits);
    void QueueRelaySet(std::int32_t lRelayBits);
    void SetIOPorts(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits);
    void SetIOPortsLow(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits);
    void SetIOPortsHigh(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits);
    void SetIOPortsRaw(std::int32_t fsNewBits);
    void SetIOPortsRawLow(std::int32_t fsNewBits);
    void SetIOPortsRawHigh(std::int32_t fsNewBits);
    void SetIOPortDirections(std::int16_t fsNewDirections, std::int16_t fsNewSlewDirections);
    void SetIOPortDirectionsRaw(std::int32_t fsNewDirections);
    void SetIOAndSDPorts(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits, std::int16_t fsNewSDBits,
                         std::int16_t fsExtendedBits = 0);
    void SetIOAndSDPortsLow(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits, std::int16_t fsNewSDBits,
                            std::int16_t fsExtendedBits = 0);
    void SetIOAndSDPortsHigh(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits, std::int16_t fsNewSDBits,
                             std::int16_t fsExtendedBits = 0);
    void QueueSetIOAndSDPorts(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits, std::int16_t fsNewSDBits,
                              std::int16_t fsExtendedBits = 0);
    void QueueSetIOAndSDPortsLow(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits,
                                 std::int16_t fsNewSDBits, std::int16_t fsExtendedBits = 0);
    void QueueSetIOAndSDPortsHigh(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits,
                                  std::int16_t fsNewSDBits, std::int16_t fsExtendedBits = 0);
    void SetDacRaw(std::int32_t idWhichDac, std::int32_t lDacRaw);
    // zDac in volts, limited to 0..5 (5 V is level 255).
    void SetDac(std::int32_t idWhichDac, double zDac);
    void SendSPIData(std::int32_t cDataBits, std::int32_t idCSPort, std::int32_t lData);

    // ---- EEPROM ----------------------------------------------------------
    std::int32_t EEPromReadData(std::int32_t idWhichElement);
    void EEPromWriteData(std::int32_t idWhichElement, std::int32_t lValue);
    void EEPromReset();
    void EEPromSaveCurrentSettings();

    // Packed port word: I/O bits 0-7, slew bits 8-15, SD bits from 16 and
    // extended bits 24-31; ArithmeticOverflow when it does not fit 32 bits.
    static std::int32_t PackPorts(std::int16_t fsNewBitsIO0to7, std::int16_t fsNewSlewBits,
                                  std::int16_t fsNewSDBits, std::int16_t fsExtendedBits);

protected:
    std::string IdleQueryLetter() const override { return fFirmwareAbove2_ ? "h" : "i"; }
    bool RequeryAfterFailedIdleQuery() const override { return fFirmwareAbove2_; }

private:
    void CheckCopyright();
    // Identifies the board on first need; returns BoardType.
    std::int16_t EnsureBoardType();
    bool IsType3() { return EnsureBoardType() == 3; }
    void SetRequestedAxisLocation(std::int32_t lValue, char chAbsoluteLetter);

    std::int32_t lBoardType_ = 0;
    bool fFirmwareAbove2_ = false;
    std::int32_t lCachedMaxRate_ = kDefaultMaxRate;
    bool fIsAbsolute_ = true;
};

}  // namespace plyx::drivers
