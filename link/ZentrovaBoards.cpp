// Boards and routes: the per-board tables, selecting a board, the flush
// procedure and the identification text.
#include <cmath>

#include "link/Copyright.h"
#include "link/LinkText.h"
#include "link/ZentrovaCom.h"

namespace plyx::link {
namespace {

// Ids are small numbers handed out one by one; a wild id must not make the
// tables eat all memory.
constexpr std::int32_t kHighestBoardId = 100000;

}  // namespace

void ZentrovaCom::SetMaxBoardCount(std::int32_t cNewMaxBoards) {
    if (cNewMaxBoards < 0) cNewMaxBoards = 0;
    if (cNewMaxBoards > kHighestBoardId) cNewMaxBoards = kHighestBoardId;
    maxBoardCount_ = cNewMaxBoards;
    boards_.assign(static_cast<std::size_t>(cNewMaxBoards) + 1, BoardEntry{});
}

void ZentrovaCom::DefineBoard(std::int32_t idBoard, const std::string& strLongCommands, std::int32_t lReqIdleWait,
                              const std::string& strRoute) {
    if (idBoard < 0)
        ErrRaise(-5, "ZentrovaCom.DefineBoard",
                 "Cannot define a negative board id - <" + std::to_string(idBoard) + "> was requested");
    if (idBoard > kHighestBoardId)
        ErrRaise(-5, "ZentrovaCom.DefineBoard",
                 "Cannot define a board id above " + std::to_string(kHighestBoardId) + " - <" +
                     std::to_string(idBoard) + "> was requested");
    if (idBoard > maxBoardCount_) {
        maxBoardCount_ = idBoard + 10;
        boards_.resize(static_cast<std::size_t>(maxBoardCount_) + 1);
    }
    BoardEntry& b = boards_[static_cast<std::size_t>(idBoard)];
    b.route = strRoute;
    b.flushChar = '0';
    b.longCommands = "I" + strLongCommands;
    b.idleTime = lReqIdleWait;
    b.verbose = true;
}

std::int32_t ZentrovaCom::AddBoard(const std::string& strLongCommands, std::int32_t lReqIdleWait,
                                   const std::string& strRoute) {
    std::int32_t id = boardCount_ + 1;
    DefineBoard(id, strLongCommands, lReqIdleWait, strRoute);
    boardCount_ = id;
    return id;
}

void ZentrovaCom::MayConnectToBoard(std::int32_t idBoard) {
    if (idBoard > maxBoardCount_ || idBoard < 0)
        ErrRaise(-5, "ZentrovaCom.MayConnectToBoard",
                 "Attempt to connect to board (" + std::to_string(idBoard) + "), which has not yet been defined.");
    if (idBoard == currentBoard_) return;
    const BoardEntry& b = boards_[static_cast<std::size_t>(idBoard)];
    route_ = b.route;
    flushChar_ = b.flushChar;
    longCommands_ = b.longCommands;
    currentBoard_ = idBoard;
    idleTime_ = b.idleTime;
    SendRoute();
}

void ZentrovaCom::SendRoute() {
    if (route_.empty()) return;
    StringWrite(route_);
    FlushInput();
}

void ZentrovaCom::SetRoute(const std::string& strNewRoute) {
    route_ = strNewRoute;
    if (currentBoard_ >= 0 && currentBoard_ < static_cast<std::int32_t>(boards_.size()))
        boards_[static_cast<std::size_t>(currentBoard_)].route = strNewRoute;
    SendRoute();
}

void ZentrovaCom::SetFlushChar(unsigned char ch) {
    flushChar_ = ch;
    if (currentBoard_ >= 0 && currentBoard_ < static_cast<std::int32_t>(boards_.size()))
        boards_[static_cast<std::size_t>(currentBoard_)].flushChar = ch;
}

void ZentrovaCom::FlushRoute() {
    CharWrite(flushChar_);
    WaitForTransmitEmpty();
    // About ten bits per character: the time the route and two more
    // characters take on the line.
    std::int64_t wait = 16;
    if (baudRate_ > 0) {
        double chars = static_cast<double>(ToWireBytes(route_).size()) + 2.0;
        double ms = std::nearbyint(10000.0 * chars / static_cast<double>(baudRate_) + 0.5);
        if (ms > 16.0) wait = ms > 60000.0 ? 60000 : static_cast<std::int64_t>(ms);
    }
    LogEvent("Zentrova.FlushRoute wait time is " + std::to_string(wait) + " milliseconds");
    std::int32_t count = 0;
    while (count < 1001 && CharReadRaw(static_cast<std::int32_t>(wait)) != -1) ++count;
    LogEvent("Zentrova.FlushRoute purged " + std::to_string(count) + " characters received...");
}

std::string ZentrovaCom::FirmwareNameFromCopyright() const { return ExtractFromCopyright(copyright_).name; }

std::string ZentrovaCom::FirmwareVersionFromCopyright() const { return ExtractFromCopyright(copyright_).version; }

std::int32_t ZentrovaCom::WhichCopyright(const std::string& strFirmwareNames) const {
    return link::WhichCopyright(copyright_, strFirmwareNames);
}

void ZentrovaCom::CheckCopyright(const std::string& strFirmwareName, const std::string& strWhereFrom) {
    if (WhichCopyright(strFirmwareName) == 0)
        ErrRaise(3, strWhereFrom,
                 "Detected incorrect fimware.\r\nExpected '" + strFirmwareName + "', saw copyright of:\r\n" +
                     copyright_);
}

}  // namespace plyx::link
