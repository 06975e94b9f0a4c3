#pragma once
// A 2-axis driver on a real board link whose port is a pseudo-terminal with
// a scripted board behind it. The board answers each command as the family
// does: identification to "-12?", a state reply to "h", "X,item,value" to
// "?", "R,L,value" to "L", and "*" to everything else; tests change the
// answers where they need other ones and read back the exact bytes sent.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "drivers/NCRouter2D.h"
#include "link/CommLog.h"
#include "link/ZentrovaCom.h"
#include "platform/FakeClock.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TempDir.h"

namespace plyx::test {

// A character that ends a command on the wire.
inline bool IsCommandChar(char c) {
    static const std::string kParams = "0123456789-+<>$.,;";
    return static_cast<unsigned char>(c) < 0x7B && kParams.find(c) == std::string::npos;
}

class TwoAxisBoard {
public:
    std::string firmware = "VT2D20NCRouter 2.10";
    // Replies to "h", used in turn; the last one stays; "" is silence.
    std::deque<std::string> idleReplies{"I20*"};
    int idleQueries = 0;
    // Report values by item; an item not listed answers 0.
    std::map<std::string, std::string> items;
    std::string latched = "0";
    bool answerReset = true;
    // Letters the board does not answer at all.
    std::string silentLetters;
    // Letter -> reply instead of "*".
    std::map<char, std::string> replies;

    std::vector<PeerStep> Answer(std::string& pending) {
        if (pending.empty() || !IsCommandChar(pending.back())) return {};
        std::lock_guard<std::mutex> lock(mutex_);
        std::string command = pending;
        pending.clear();
        char letter = command.back();
        if (letter == '{' || letter == '}' || letter == '~') return {};
        if (silentLetters.find(letter) != std::string::npos) return {};
        if (command.size() >= 4 && command.compare(command.size() - 4, 4, "-12?") == 0)
            return {Send("X,-12\r" + firmware + "\rCopyright 2009 Zentrova\r*")};
        if (letter == '!') return answerReset ? std::vector<PeerStep>{Send("*")} : std::vector<PeerStep>{};
        if (letter == 'h') {
            ++idleQueries;
            std::string r = idleReplies.front();
            if (idleReplies.size() > 1) idleReplies.pop_front();
            if (r.empty()) return {};  // silence
            return {Send(r)};
        }
        if (letter == '?') {
            std::string item = ValueBefore(command);
            auto it = items.find(item);
            return {Send("X," + item + "," + (it == items.end() ? std::string("0") : it->second) + "\r*")};
        }
        if (letter == 'L') return {Send("R,L," + latched + "\r*")};
        auto it = replies.find(letter);
        if (it != replies.end()) return {Send(it->second)};
        return {Send("*")};
    }

    std::mutex& Mutex() { return mutex_; }

private:
    // The parameter characters right before the letter.
    static std::string ValueBefore(const std::string& command) {
        std::size_t end = command.size() - 1;
        std::size_t start = end;
        while (start > 0 && !IsCommandChar(command[start - 1])) --start;
        return command.substr(start, end - start);
    }

    std::mutex mutex_;
};

class NCRouter2DPeerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() + "/ports");
        std::filesystem::create_directories(dir.path() + "/sys");
        std::filesystem::create_symlink(peer.SlavePath(), dir.path() + "/ports/COM7");
        link = std::make_unique<link::ZentrovaCom>(log);
        platform::serial::PortPaths paths;
        paths.dataDirectory = dir.path();
        paths.sysRoot = dir.path() + "/sys";
        link->SetPortPaths(paths);
        link->PortOpen("COM7");
        // Short limits keep the tests quick where a reply never comes.
        link->SetIdleTime(300);
        link->SetFastIdleTime(300);
        peer.SetHandler([this](std::string& pending) { return board.Answer(pending); });
        driver.SetZentrovaRef(*link);
    }

    void TearDown() override {
        peer.SetHandler(nullptr);
        link.reset();
    }

    // Bytes the board received since the last call. Every operation ends by
    // reading a reply, so its bytes have reached the board by then.
    std::string Sent() { return peer.TakeReceived(); }

    // Changes the board's answers while no command is on its way.
    template <class F>
    void Edit(F change) {
        std::lock_guard<std::mutex> lock(board.Mutex());
        change(board);
    }

    // Identifies the board, then forgets the bytes of the identification.
    void Identify(const std::string& firmware = "VT2D20NCRouter 2.10") {
        Edit([&](TwoAxisBoard& b) { b.firmware = firmware; });
        driver.ReportCopyRightText();
        Sent();
    }

    TempDir dir;
    ScriptedPeer peer;
    TwoAxisBoard board;
    link::CommLog log;
    std::unique_ptr<link::ZentrovaCom> link;
    platform::FakeClock clock;
    drivers::NCRouter2D driver{clock};
};

}  // namespace plyx::test
