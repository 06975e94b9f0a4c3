// Looking for a board behind a port: open, try the rates, ask the board to
// identify itself; and the search over all COM ports.
#include "link/ZentrovaCom.h"

namespace plyx::link {
namespace {

constexpr std::int32_t kTestFastIdleMs = 100;

}  // namespace

// Every error inside, whatever its kind, becomes the result code: a port
// search goes on to the next port whatever one port did.
std::int32_t ZentrovaCom::PortOpenAndTest(const std::string& strTryPortName) {
    // The caller's settings come back on every way out.
    struct Restore {
        ZentrovaCom& self;
        std::int32_t board;
        bool verbose;
        std::int32_t fastIdle;
        ~Restore() {
            if (board >= 0 && board < static_cast<std::int32_t>(self.boards_.size()))
                self.boards_[static_cast<std::size_t>(board)].verbose = verbose;
            self.fastIdleTime_ = fastIdle;
        }
    } restore{*this, currentBoard_, VerboseResponse(), fastIdleTime_};
    SetVerboseResponse(false);
    fastIdleTime_ = kTestFastIdleMs;

    std::string name = strTryPortName;
    if (name.empty() || name[0] != '\\') name = "\\\\.\\" + name;
    int start = (PortIsOpen() && portName_ == name) ? -1 : 0;
    std::int32_t result = 1;
    openFailure_.clear();
    for (int k = start; k <= 4; ++k) {
        std::int32_t rate = k == -1  ? baudRate_
                            : k == 0 ? 115200
                            : k == 1 ? 38400
                            : k == 2 ? 19200
                            : k == 3 ? 9600
                                     : customBaudRate_;
        // A rate that is skipped does not reopen the port either, so the
        // last attempt's reply is still there to be reported.
        if (rate <= 0) continue;
        if (k >= 0) {
            try {
                PortClose();
                PortOpen(strTryPortName);
            } catch (...) {
                return 1;
            }
        }
        try {
            BaudRateSelect(rate);
        } catch (...) {
            // Logged by ErrRaise; the attempts below reopen the port and
            // fail in their turn if the rate is the trouble.
        }
        LogEvent("Testing port at baud rate " + std::to_string(rate));
        for (int attempt = 0; attempt < 2; ++attempt) {
            copyright_ = "NO COPYRIGHT";
            bool failed = false;
            try {
                FlushRoute();
                if (route_.empty()) StringWrite("{}");
                else SendRoute();
                StringWriteCommandSequence("-12?");
            } catch (...) {
                failed = true;
            }
            if (failed) {
                LogEvent("... timeout on send of copyright request");
                result = 2;
                if (lastResponse_.size() >= 4 && lastResponse_.compare(lastResponse_.size() - 4, 4, "-12?") == 0) {
                    LogEvent("... the selected port is probably a modem, since it echoed the request for a "
                             "copyright report!");
                    return result;
                }
            } else if (copyright_ != "NO COPYRIGHT") {
                LogEvent("... Copyright found! " + copyright_);
                return 0;
            } else {
                result = 3;
                LogEvent("... Extract of the copyright failed.  The last response from the board was:\r\n" +
                         lastResponse_);
            }
        }
    }
    return result;
}

void ZentrovaCom::PortOpenAndTestWithException(const std::string& strTryPortName) {
    const char* where = "ZentrovaCom.PortOpenAndTestWithException";
    if (!strTryPortName.empty()) {
        std::int32_t r = PortOpenAndTest(strTryPortName);
        if (r == 1) {
            std::string msg = "Failed to open communications port <" + strTryPortName + ">";
            if (!openFailure_.empty()) msg += "\r\n" + openFailure_;
            ErrRaise(6, where, msg);
        }
        if (r == 2 || r == 3)
            ErrRaise(3, where, "Failed to detect a valid copyright on port " + strTryPortName + ". Saw:\r\n" + copyright_);
        return;
    }
    if (PortFindAndOpen(1, 255) < 1) ErrRaise(6, where, "Failed to find communications port with valid Zentrova product");
}

std::int32_t ZentrovaCom::PortFindAndOpen(std::int32_t idStartAtPort, std::int32_t idMaxPort) {
    for (std::int32_t n = idStartAtPort > 1 ? idStartAtPort : 1; n <= idMaxPort; ++n)
        if (PortOpenAndTest("\\\\.\\COM" + std::to_string(n)) == 0) return n;
    return 0;
}

}  // namespace plyx::link
