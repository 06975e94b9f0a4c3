// The board link object: creation, the services handed in, keeping the
// system awake, window events and error reporting.
#include "link/ZentrovaCom.h"

#include "platform/serial/FtdiSio.h"

namespace plyx::link {
namespace {

platform::serial::NoKeepAwake& NoAwake() {
    static platform::serial::NoKeepAwake none;
    return none;
}

}  // namespace

ZentrovaCom::ZentrovaCom(CommLog& log, platform::Clock& clock)
    : log_(log), clock_(clock), portPaths_(platform::serial::DefaultPortPaths()) {
    ftdiListInterval_ = 2 * clock_.TickFrequency();
    SetMaxBoardCount(10);
    DefineBoard(0, "I", 60000, "");
}

ZentrovaCom::~ZentrovaCom() {
    try {
        PortClose();
        log_.LogFileClose();
    } catch (...) {
        // A destructor cannot report; the port and the log are released anyway.
    }
    if (portHandle_ != -1 && isFTDI_) Ftdi().FT_Close(portHandle_);
    tty_.Close();
}

void ZentrovaCom::SetPortPaths(platform::serial::PortPaths paths) {
    portPaths_ = std::move(paths);
    if (ownFtdi_) static_cast<platform::serial::FtdiSio&>(*ownFtdi_).SetPaths(portPaths_);
}

void ZentrovaCom::SetFtdi(platform::serial::FtdiApi* ftdi) { ftdi_ = ftdi; }

platform::serial::FtdiApi& ZentrovaCom::Ftdi() {
    if (ftdi_ != nullptr) return *ftdi_;
    if (!ownFtdi_) ownFtdi_ = std::make_unique<platform::serial::FtdiSio>(portPaths_);
    return *ownFtdi_;
}

void ZentrovaCom::SetKeepAwake(platform::serial::KeepAwake* keepAwake) {
    if (awakeHeld_) {
        (keepAwake_ != nullptr ? *keepAwake_ : NoAwake()).Release();
        awakeHeld_ = false;
    }
    keepAwake_ = keepAwake;
    awakeUnavailable_ = false;
}

void ZentrovaCom::SetEventPump(platform::EventPump* pump) { pump_ = pump; }

std::int32_t ZentrovaCom::PollKeepSystemAwake(std::int32_t fsAwakeFlags) {
    std::int32_t previous = lastAwakeFlags_;
    lastAwakeFlags_ = fsAwakeFlags;
    platform::serial::KeepAwake& ka = keepAwake_ != nullptr ? *keepAwake_ : NoAwake();
    if (fsAwakeFlags != 0) {
        // Asked once: a system without the service stays without it, and
        // this call sits on the path of every byte.
        if (!awakeHeld_ && !awakeUnavailable_) {
            std::string whyNot;
            if (ka.Acquire(whyNot)) {
                awakeHeld_ = true;
                LogEvent("Keeping the system awake while the port is in use");
            } else {
                awakeUnavailable_ = true;
                LogEvent("Cannot keep the system awake (" + whyNot + "); it may sleep during a run");
            }
        }
    } else if (awakeHeld_) {
        ka.Release();
        awakeHeld_ = false;
    }
    return previous;
}

void ZentrovaCom::KeepAwakeBeforeIo() {
    if (autoAwakeFlags_ != 0 && (!awakeHeld_ || lastAwakeFlags_ != autoAwakeFlags_))
        PollKeepSystemAwake(autoAwakeFlags_);
}

bool ZentrovaCom::DispatchWindowsPendingMessages(bool fAll) {
    if (pump_ == nullptr) return false;
    if (pump_->QuitRequested()) return true;
    pump_->DispatchPending();
    // A quit asked for by one of the events just run is seen at once when
    // the caller wanted everything dispatched, else on its next call.
    return fAll && pump_->QuitRequested();
}

std::string ZentrovaCom::LdgZero(std::int16_t wWord, std::int32_t cDigits) {
    std::string s = "000" + std::to_string(wWord);
    if (cDigits <= 0) return {};
    auto n = static_cast<std::size_t>(cDigits);
    return n >= s.size() ? s : s.substr(s.size() - n);
}

void ZentrovaCom::ErrRaise(std::int32_t idErrNumber, const std::string& strWhereFrom, const std::string& strMsg) {
    bool details = idErrNumber >= 0;
    std::int64_t number = idErrNumber < 0 ? -static_cast<std::int64_t>(idErrNumber) : idErrNumber;
    std::string message = "Error " + std::to_string(number) + " reported by " + strWhereFrom + "\r\n" + strMsg + "\r\n";
    if (details)
        message += "Error was associated with board " + std::to_string(currentBoard_) + " on route '" + route_ +
                   "' and port " + portName_ + "\r\n";
    message += "The last response from the board was:\r\n" + lastResponse_;
    // A log that cannot be written keeps its failure for the program to
    // report; it never stands in the way of the error itself.
    LogEvent(message);
    log_.Flush();
    throw BoardLinkError(idErrNumber, strWhereFrom, message);
}

}  // namespace plyx::link
