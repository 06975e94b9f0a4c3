#pragma once
// The rigs of the driver tests: a scripted 4-axis board and a driver of each
// family bound to a board link on a pseudo-terminal.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "drivers/NCRouter2D.h"
#include "drivers/QM4DNCRouter.h"
#include "link/BoardLinkError.h"
#include "platform/FakeClock.h"
#include "tests/support/BoardLink.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TwoAxisBoard.h"

namespace plyx::test {

// Runs f and checks that it raised board-link error `number` whose text
// holds `text` (the source, then "\r\n" and the message, as ErrRaise writes).
template <class F>
void ExpectRaise(F f, int number, const std::string& text) {
    try {
        f();
        ADD_FAILURE() << "no BoardLinkError, expected " << number << ": " << text;
    } catch (const link::BoardLinkError& e) {
        EXPECT_EQ(e.SmallNumber(), number) << e.Description();
        EXPECT_NE(e.Description().find(text), std::string::npos) << e.Description();
    }
}

// A scripted 4-axis board: every command (e.g. "-12?", "h"; the flush
// character "~" left out) gets the replies set for it, in order with the
// last one repeating, or "*"; so does a two-byte delta command.
class FakeBoard {
public:
    FakeBoard() {
        peer_.SetHandler([this](std::string& pending) { return Answer(pending); });
    }
    // Replies for one command text ("" is silence); the last one repeats.
    void On(const std::string& command, std::vector<std::string> replies) {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_[command] = std::move(replies);
    }
    void Identify(const std::string& firmware, const std::string& version) {
        On("-12?", {"X,-12\r\n" + firmware + " " + version + "\r\n(c) 2009 Board Maker\r\n*"});
    }
    // Answers "<item>?" with a value line for motor X.
    void Value(std::int32_t item, std::int32_t value) {
        On(std::to_string(item) + "?", {"X," + std::to_string(item) + "," + std::to_string(value) + "\r\n*"});
    }
    // Bytes received since the last call.
    std::string TakeWire() { return peer_.TakeReceived(); }
    ScriptedPeer& Peer() { return peer_; }

private:
    std::vector<PeerStep> Answer(std::string& pending) {
        if (pending.empty()) return {};
        if (static_cast<unsigned char>(pending[0]) >= 0x80) {  // two-byte delta
            if (pending.size() < 2) return {};
            pending.clear();
            return {Send("*")};
        }
        static const std::string kParameters = "0123456789-+<>$.,;";
        unsigned char last = static_cast<unsigned char>(pending.back());
        if (last >= 0x7B || kParameters.find(static_cast<char>(last)) != std::string::npos) return {};
        std::string command;
        for (char c : pending)
            if (static_cast<unsigned char>(c) < 0x7B) command += c;
        pending.clear();
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = replies_.find(command);
        if (it == replies_.end() || it->second.empty()) return {Send("*")};
        std::string reply = it->second.front();
        if (it->second.size() > 1) it->second.erase(it->second.begin());
        if (reply.empty()) return {};
        return {Send(reply)};
    }

    std::mutex mutex_;
    std::map<std::string, std::vector<std::string>> replies_;
    ScriptedPeer peer_;  // last: its thread stops before the replies go
};

// A 4-axis driver on a FakeBoard; its waits and host sleeps run on `clock`.
struct Rig {
    explicit Rig(platform::Clock& driverClock) : router(driverClock) {
        link = OpenBoardLink(log, dir, board.Peer().SlavePath());
        router.SetZentrovaRef(link);
        board.Value(-20, 40000);
        board.Value(-15, 76000);
        board.TakeWire();
    }
    // Identifies the board as firmware/version and forgets the wire so far.
    void Identified(const std::string& firmware, const std::string& version) {
        board.Identify(firmware, version);
        router.ReportCopyRightText();
        board.TakeWire();
    }

    TempDir dir;
    FakeBoard board;
    link::CommLog log;
    std::shared_ptr<link::ZentrovaCom> link;
    drivers::QM4DNCRouter router;
};

// A rig on a fake clock, the driver's waits after queued commands off.
class RigTest : public ::testing::Test {
protected:
    void SetUp() override { router.SetAutoWaitOnMotionComplete(false); }
    platform::FakeClock clock;
    Rig rig{clock};
    FakeBoard& board = rig.board;
    drivers::QM4DNCRouter& router = rig.router;
};

// A 2-axis driver bound to the link of a scripted 2-axis board.
class NCRouter2DPeerTest : public ::testing::Test, protected TwoAxisBoardLink {
protected:
    void SetUp() override { driver.SetZentrovaRef(link); }
    // Identifies the board, then forgets the bytes of the identification.
    void Identify(const std::string& firmware = "VT2D20NCRouter 2.10") {
        Edit([&](TwoAxisBoard& b) { b.firmware = firmware; });
        driver.ReportCopyRightText();
        Sent();
    }
    platform::FakeClock clock;
    drivers::NCRouter2D driver{clock};
};

}  // namespace plyx::test
