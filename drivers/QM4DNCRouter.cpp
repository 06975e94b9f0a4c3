// QM4DNCRouter: identification, motor selection, reports and run state.
#include "drivers/QM4DNCRouter.h"

#include <cmath>

#include "drivers/DriverNumbers.h"
#include "drivers/WaitReply.h"
#include "platform/TextCodec.h"

namespace plyx::drivers {

namespace {

RouterVocabulary Vocabulary() {
    RouterVocabulary v;
    v.strClass = "QM4DNCRouter";
    v.strLongCommands = QM4DNCRouter::kLongCommandLetters;
    // The board's users know this source text from its messages.
    v.strFullyStoppedSource = "QM4DRouter4D.IdleWaitForFullyStopped";
    v.strRetrySynchText = "Failed idle synch with board -- expected 'I', 'P', 'G' or 'A', saw ";
    v.strReplySynchText = "Failed idle synch with board -- expected 'Ix*', 'Px*', 'Sx', 'Gx*' or 'Ax*', saw ";
    v.fRetryErrorShowsPackedReply = true;
    return v;
}

}  // namespace

QM4DNCRouter::QM4DNCRouter(platform::Clock& clock) : RouterCore(Vocabulary(), clock) {}

// ---- Identification -----------------------------------------------------

void QM4DNCRouter::CheckCopyright() {
    SelectThisBoard();
    link::ZentrovaCom& z = Link();
    z.SetCopyright("NO VALID COPYRIGHT");
    z.StringWriteCommandSequence("-12?");
    z.CheckCopyright(kFirmwareNames, "QM4DNCRouter.CheckCopyright");
    lBoardType_ = z.WhichCopyright(kFirmwareNames);
    std::string v = z.FirmwareVersionFromCopyright();
    if (IsNumeric(v)) {
        double major = std::trunc(NumberValue(v));
        fFirmwareAbove2_ = major > 2.0;
        if (major >= 5.0) lBoardType_ = 3;
    } else {
        fFirmwareAbove2_ = true;  // "BETA" and the like: treat as current firmware
    }
    if (lBoardType_ == 2) lCachedMaxRate_ = ReportNumericSingleValue(-20);
    else if (lBoardType_ == 3) lCachedMaxRate_ = ReportNumericSingleValue(-15);
    else lCachedMaxRate_ = kDefaultMaxRate;
}

std::int16_t QM4DNCRouter::EnsureBoardType() {
    SelectThisBoard();
    if (lBoardType_ == 0) CheckCopyright();
    return static_cast<std::int16_t>(lBoardType_);
}

std::string QM4DNCRouter::ReportCopyRightText() {
    CheckCopyright();
    return Link().Copyright();
}

std::string QM4DNCRouter::ReportFirmwareVersion() {
    CheckCopyright();
    return Link().FirmwareVersionFromCopyright();
}

void QM4DNCRouter::ResetBoard() {
    SelectThisBoard();
    link::ZentrovaCom& z = Link();
    z.FlushRoute();
    z.StringWriteCommandSequence("!");
    CheckCopyright();
}

std::int32_t QM4DNCRouter::MaxRate() {
    if (EnsureBoardType() == 3) return ReportNumericSingleValue(-15);
    return lCachedMaxRate_;
}

// ---- Motor selection and reports ---------------------------------------

void QM4DNCRouter::SelectMotor(const std::string& strWhich) {
    SelectThisBoard();
    if (strWhich.empty()) return;
    std::string s = platform::UpperAscii(strWhich);
    std::int32_t mask = 0;
    if (IsNumeric(s)) {
        mask = TextToInt(s);
    } else {
        for (char c : s) {
            switch (c) {
                case 'W': mask |= 1; break;
                case 'X': mask |= 2; break;
                case 'Y': mask |= 4; break;
                case 'Z': mask |= 8; break;
                case 'B': mask |= 15; break;
                default:
                    Raise(5, "SelectMotor", "Unknown motor requested: Command was <" + strWhich + ">");
            }
        }
    }
    if (mask == 0) mask = 15;
    // A sign position before the digits: the blank is a command of its own
    // to the board, which is why the selection reads " 2M".
    std::string t = (mask < 0 ? "" : " ") + std::to_string(mask);
    if (t != strLastMotorSelect_) {
        SendCommandText(t + "M");
        strLastMotorSelect_ = t;
    }
}

std::int32_t QM4DNCRouter::ReportNumericSingleValueForMotor(const std::string& strWhichMotor,
                                                            std::int32_t lidWhich) {
    SendMotorValueCommand(strWhichMotor, lidWhich, "?");
    return LastCommaResultAsLong();
}

std::int32_t QM4DNCRouter::ReportNumericSingleValue(std::int32_t lidWhich) {
    return ReportNumericSingleValueForMotor("X", lidWhich);
}

std::int32_t QM4DNCRouter::ReportQM4DXItem(std::int32_t lidItem) {
    if (!IsType3()) return 0;
    return ReportNumericSingleValueForMotor("", lidItem);
}

std::int32_t QM4DNCRouter::ReportAToDValue(std::int32_t lIdChannel) {
    if (!IsType3()) return 0;
    SendValueCommand(lIdChannel, "a");
    return LastCommaResultAsLong();
}

std::int32_t QM4DNCRouter::ReportCurrentLocation(const std::string& strWhichMotor) {
    return ReportNumericSingleValueForMotor(strWhichMotor, -1);
}

std::int32_t QM4DNCRouter::ReportCurrentEncoderLocation(const std::string& strWhichMotor) {
    if (!IsType3()) return 0;
    return ReportNumericSingleValueForMotor(strWhichMotor, -11);
}

std::int32_t QM4DNCRouter::ReportCurrentSpeed() {
    if (!IsType3()) return ReportNumericSingleValue(-2);
    SetReportQueueElementSnapshot(-1);
    return ReportQueueElementWordParameter();
}

std::int32_t QM4DNCRouter::ReportCurrentStepAction() { return IsType3() ? 0 : ReportNumericSingleValue(-8); }
std::int32_t QM4DNCRouter::ReportCurrentW() { return ReportCurrentLocation("W"); }
std::int32_t QM4DNCRouter::ReportCurrentX() { return ReportCurrentLocation("X"); }
std::int32_t QM4DNCRouter::ReportCurrentY() { return ReportCurrentLocation("Y"); }
std::int32_t QM4DNCRouter::ReportCurrentZ() { return ReportCurrentLocation("Z"); }
std::int32_t QM4DNCRouter::ReportIOConfig() { return ReportNumericSingleValue(-13); }
std::int32_t QM4DNCRouter::ReportIOPorts() { return ReportNumericSingleValue(9); }

std::int32_t QM4DNCRouter::ReportLatchedData() {
    SendCommandText("L");
    return LastCommaResultAsLong();
}

std::int32_t QM4DNCRouter::ReportLatchedIOEvents() {
    SendCommandText("l");
    return LastCommaResultAsLong();
}

std::int32_t QM4DNCRouter::ReportLimitSwitches() { return ReportNumericSingleValue(6); }

std::int32_t QM4DNCRouter::ReportMotorBacklash(const std::string& strWhichMotor) {
    return ReportNumericSingleValueForMotor(strWhichMotor, IsType3() ? -28 : -18);
}

std::int32_t QM4DNCRouter::ReportRampRate() { return IsType3() ? 0 : ReportNumericSingleValue(-3); }
std::int32_t QM4DNCRouter::ReportRunRate() { return IsType3() ? 0 : ReportNumericSingleValue(-10); }
std::int32_t QM4DNCRouter::ReportSlewSwitches() { return ReportNumericSingleValue(7); }
std::int32_t QM4DNCRouter::ReportStopOKRate() { return IsType3() ? 0 : ReportNumericSingleValue(-11); }
std::int32_t QM4DNCRouter::ReportPendingLocation() { return IsType3() ? 0 : ReportNumericSingleValue(-7); }
std::int32_t QM4DNCRouter::ReportRequestScratchPad() { return IsType3() ? 0 : ReportNumericSingleValue(-6); }

std::int32_t QM4DNCRouter::ReportTargetPosition(const std::string& strWhichMotor) {
    return IsType3() ? 0 : ReportNumericSingleValueForMotor(strWhichMotor, -4);
}

std::int32_t QM4DNCRouter::ReportTargetSpeed() { return IsType3() ? 1 : ReportNumericSingleValue(-5); }
std::int32_t QM4DNCRouter::ReportTTLValues() { return ReportNumericSingleValue(IsType3() ? 11 : 9); }
std::int32_t QM4DNCRouter::ReportQueueElementID() { return ReportQM4DXItem(-3); }
std::int32_t QM4DNCRouter::ReportQueueElementCommand() { return ReportQM4DXItem(-4); }
std::int32_t QM4DNCRouter::ReportQueueElementWordParameter() { return ReportQM4DXItem(-5); }
std::int32_t QM4DNCRouter::ReportQueueElementLongParameter1() { return ReportQM4DXItem(-6); }
std::int32_t QM4DNCRouter::ReportQueueElementLongParameter2() { return ReportQM4DXItem(-7); }
std::int32_t QM4DNCRouter::ReportQueueElementLongParameter3() { return ReportQM4DXItem(-8); }
std::int32_t QM4DNCRouter::ReportQueueElementLongParameter4() { return ReportQM4DXItem(-9); }
std::int32_t QM4DNCRouter::ReportQueueElementLongParameter5() { return ReportQM4DXItem(-10); }

// ---- Run state ------------------------------------------------------------

std::string QM4DNCRouter::PackedLastResponse() {
    // Taken before identification may run and replace the last reply.
    std::string s = PackReply(Link().LastResponse());
    if (EnsureBoardType() != 3) s = RepairPackedReply(std::move(s), fFirmwareAbove2_, strLastCommand_);
    return s;
}

void QM4DNCRouter::PauseMotors() { SendCommandText("q"); }

void QM4DNCRouter::PauseMotorsWithTTLRestart(std::int32_t lTTLRestartOptions, std::int32_t lidTTLPort) {
    if (!IsType3()) return;
    SendValueCommand(CheckedAdd(CheckedMul(lidTTLPort, 8), lTTLRestartOptions), "q");
}

void QM4DNCRouter::PauseNow(std::int32_t lPauseInMicroseconds) {
    if (IsType3()) {
        SendValueCommand(lPauseInMicroseconds, "p");
        return;
    }
    // A negative pause would be an endless sleep: it means no pause.
    std::int32_t ms = RoundToLong(lPauseInMicroseconds / 1000.0);
    if (ms > 0) clock_.Sleep(ms);
}

void QM4DNCRouter::QueuePause(std::int32_t lPauseInMicroseconds) {
    if (IsType3()) QueueValueCommand(lPauseInMicroseconds, "p");
}

void QM4DNCRouter::QueuePauseMotorsWithTTLRestart(std::int32_t lTTLRestartOptions, std::int32_t lidTTLPort) {
    if (!IsType3()) return;
    QueueValueCommand(CheckedAdd(CheckedMul(lidTTLPort, 8), lTTLRestartOptions), "q");
}

void QM4DNCRouter::ResumeMotors() { SendCommandText("r"); }
void QM4DNCRouter::StopMotors() { SendCommandText("Q"); }

}  // namespace plyx::drivers
