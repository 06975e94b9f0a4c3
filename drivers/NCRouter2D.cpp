// The 2-axis family: identification, motor selection, motor current and
// the reset. The command table is in NCRouter2DCommands.cpp.
#include "drivers/NCRouter2D.h"

#include <cctype>

#include "drivers/DriverNumbers.h"

namespace plyx::drivers {

namespace {

RouterVocabulary TwoAxisVocabulary() {
    RouterVocabulary v;
    v.strClass = "NCRouter2D";
    v.strLongCommands = NCRouter2D::kLongCommands;
    v.strFullyStoppedSource = "NCRouter2D.IdleWaitForFullyStopped";
    v.strRetrySynchText = "Failed idle synch with board -- expected 'I', 'P', 'G', 'D' or 'A', saw ";
    v.strReplySynchText = "Failed idle synch with board -- expected 'Ix*', 'Px*', 'Sx', 'Gx*', 'Dx*' or 'Ax*', saw ";
    v.fRetryErrorShowsPackedReply = false;
    return v;
}

// How long the board may take to answer a reset before the port is opened
// and tested again (the board restarts and may come back at another rate).
constexpr std::int32_t kResetReplyMs = 400;

}  // namespace

NCRouter2D::NCRouter2D(platform::Clock& clock) : RouterCore(TwoAxisVocabulary(), clock) {}

NCRouter2D::~NCRouter2D() = default;

// ---- Identification ---------------------------------------------------------

void NCRouter2D::CheckCopyright() {
    SelectThisBoard();
    link::ZentrovaCom& zc = Link();
    zc.SetCopyright("NO VALID COPYRIGHT");
    zc.StringWriteCommandSequence("-12?");
    zc.CheckCopyright(kFirmwareNames, "NCRouter2D.CheckCopyright");
    lBoardType_ = zc.WhichCopyright(kFirmwareNames);
    if (lBoardType_ == 2) {
        zCurrentScale_ = 1000.0;
        zCurrentMax_ = 2600.0;
    } else {
        zCurrentScale_ = 100.0;
        zCurrentMax_ = 100.0;
    }
}

std::string NCRouter2D::ReportCopyRightText() {
    CheckCopyright();
    return Link().Copyright();
}

std::string NCRouter2D::ReportFirmwareVersion() {
    CheckCopyright();
    return Link().FirmwareVersionFromCopyright();
}

std::int32_t NCRouter2D::ReadResetReply() {
    link::ZentrovaCom& zc = Link();
    // A board that restarts may stay silent or send a broken line; that is
    // the case the port test below is for, not a lost synchronisation, so
    // the reply is read without the verbose line check.
    const bool fVerbose = zc.VerboseResponse();
    zc.SetVerboseResponse(false);
    std::int32_t rc = 0;
    try {
        rc = zc.ReadToDone(kResetReplyMs);
    } catch (...) {
        zc.SetVerboseResponse(fVerbose);
        throw;
    }
    zc.SetVerboseResponse(fVerbose);
    return rc;
}

void NCRouter2D::ResetBoard(std::int16_t sMicrostepSize) {
    SelectThisBoard();
    link::ZentrovaCom& zc = Link();
    zc.StringWriteData(sMicrostepSize);
    zc.StringWrite("!");
    if (ReadResetReply() != 0) {
        // The result is not needed: identification below reports a board
        // that did not come back.
        zc.PortOpenAndTest(zc.PortName());
    }
    CheckCopyright();
    // The board forgot its selection with the reset.
    strLastMotorSelect_.clear();
}

std::int32_t NCRouter2D::MaxRate() { return ReportNumericSingleValue(-20); }

// ---- Motor selection ----------------------------------------------------------

void NCRouter2D::SelectMotor(const std::string& strWhich) {
    SelectThisBoard();
    if (strWhich.empty()) return;
    std::string s;
    for (char c : strWhich) s += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::int32_t mask = 0;
    if (IsNumeric(s)) {
        mask = TextToInt(s);
    } else {
        for (char c : s) {
            if (c == 'X') mask |= 1;
            else if (c == 'Y') mask |= 2;
            else if (c == 'B') mask |= 3;
            else Raise(5, "SelectMotor", "Unknown motor requested: Command was <" + strWhich + ">");
        }
    }
    if (mask == 0) mask = 3;
    std::string t = std::to_string(mask);
    if (t != strLastMotorSelect_) {
        SendCommandText(t + "B");
        strLastMotorSelect_ = t;
    }
}

// ---- Motor current --------------------------------------------------------------

std::int16_t NCRouter2D::CalculateDacFromMotorCurrent(double zCurrent) const {
    // A NaN current is no current at all rather than an overflow.
    if (!(zCurrent > 0.0)) return 0;
    double v = zCurrent * zCurrentScale_;
    if (v > zCurrentMax_) v = zCurrentMax_;
    else if (v < 1.0) v = 1.0;
    return RoundToInt(v);
}

void NCRouter2D::SetMotorCurrent(const std::string& strWhichMotor, const std::string& strLetter, double zCurrent) {
    std::int16_t n = CalculateDacFromMotorCurrent(zCurrent);
    SendMotorValueCommand(strWhichMotor, n, strLetter);
}

void NCRouter2D::SetCurrentWhenMotorIdle(const std::string& strWhichMotor, double zCurrent) {
    SetMotorCurrent(strWhichMotor, "W", zCurrent);
}

void NCRouter2D::SetCurrentWhenMotorInMotion(const std::string& strWhichMotor, double zCurrent) {
    SetMotorCurrent(strWhichMotor, "H", zCurrent);
}

}  // namespace plyx::drivers
