// RouterCore: binding to the board link and the ways of sending a command.
#include "drivers/DriverNumbers.h"
#include "drivers/RouterCore.h"

#include <stdexcept>
#include <utility>

namespace plyx::drivers {

namespace {

// A link created by the driver itself, with the (closed) log it needs; the
// log is declared first so that it outlives the link. Its byte time-outs
// run on the real clock whatever clock the driver's waits use.
struct OwnedLink {
    OwnedLink() : log(platform::SystemClock()), link(log, platform::SystemClock()) {}
    link::CommLog log;
    link::ZentrovaCom link;
};

}  // namespace

RouterCore::RouterCore(RouterVocabulary vocabulary, platform::Clock& clock)
    : clock_(clock), vocabulary_(std::move(vocabulary)) {}

RouterCore::~RouterCore() = default;

void RouterCore::SetZentrovaRef(std::shared_ptr<link::ZentrovaCom> hZentrovaCom) {
    link_ = std::move(hZentrovaCom);
    idBoard_ = 0;
}

void RouterCore::SetZentrovaRef(link::ZentrovaCom& hZentrovaCom) {
    // Not owned: the caller keeps the link alive.
    SetZentrovaRef(std::shared_ptr<link::ZentrovaCom>(&hZentrovaCom, [](link::ZentrovaCom*) {}));
}

void RouterCore::CreateZentrovaConnection(const std::string& strComPort, const std::string& strRoute) {
    if (!link_) {
        auto owned = std::make_shared<OwnedLink>();
        link_ = std::shared_ptr<link::ZentrovaCom>(owned, &owned->link);
    }
    link_->PortOpenAndTestWithException(strComPort);
    DefineRoute(strRoute);
}

void RouterCore::DefineRoute(const std::string& strRoute) {
    link::ZentrovaCom& z = Link();
    if (idBoard_ != 0) {
        SelectThisBoard();
        z.SetRoute(strRoute);
    } else {
        idBoard_ = z.AddBoard(vocabulary_.strLongCommands, 1000, strRoute);
        SelectThisBoard();
    }
    z.SetFlushChar(static_cast<unsigned char>('~'));
}

void RouterCore::SelectThisBoard() { Link().MayConnectToBoard(idBoard_); }

link::ZentrovaCom& RouterCore::Link() const {
    if (!link_) throw std::logic_error(vocabulary_.strClass + " is not bound to a board link");
    return *link_;
}

void RouterCore::Raise(std::int32_t id, const std::string& strOperation, const std::string& strMsg) const {
    RaiseFrom(id, vocabulary_.strClass + "." + strOperation, strMsg);
}

void RouterCore::RaiseFrom(std::int32_t id, const std::string& strWhereFrom, const std::string& strMsg) const {
    Link().ErrRaise(id, strWhereFrom, strMsg);
}

void RouterCore::SendCommandText(const std::string& strText) {
    SelectThisBoard();
    Link().StringWriteCommandSequence(strText);
}

void RouterCore::SendMotorValueCommand(const std::string& strWhichMotor, std::int32_t lValue,
                                       const std::string& strLetter) {
    SelectMotor(strWhichMotor);  // selects the board; an empty motor text sends nothing
    Link().StringWriteDataThenSingleCommand(lValue, strLetter);
}

void RouterCore::SendValueCommand(std::int32_t lValue, const std::string& strLetter) {
    SendMotorValueCommand("", lValue, strLetter);
}

void RouterCore::SendQueuedCommand(const std::string& strLetter) {
    link::ZentrovaCom& z = Link();
    z.StringWrite(strLetter);
    std::int32_t rc = z.ReadToDone(z.IdleTime());
    strLastCommand_ = strLetter;
    if (rc != 0) z.FlushRoute();
    else ParseLastWaitResponse();
    WaitAfterQueuedCommand(strLetter, rc);
}

void RouterCore::SendValueThenQueuedCommand(std::int32_t lValue, const std::string& strLetter) {
    SelectThisBoard();
    Link().StringWriteDataThenSingleCommand(lValue, "");  // the digits only
    SendQueuedCommand(strLetter);
}

void RouterCore::QueueValueCommand(std::int32_t lValue, const std::string& strLetter) {
    SelectThisBoard();
    link::ZentrovaCom& z = Link();
    z.StringWrite("-");
    z.StringWriteDataThenSingleCommand(lValue, "");
    SendQueuedCommand(strLetter);
}

std::int32_t RouterCore::LastCommaResultAsLong() const { return TextToLong(Link().LastCommaResult()); }

}  // namespace plyx::drivers
