#pragma once
// A scripted 2-axis board on a pseudo-terminal. It answers each command as
// the family does: identification to "-12?", a state reply to "h",
// "X,item,value" to "?", "R,L,value" to "L", and "*" to everything else;
// tests change the answers where they need other ones. TwoAxisBoardLink
// puts it behind a board link and reads back the exact bytes sent.
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/BoardLink.h"
#include "tests/support/ScriptedPeer.h"

namespace plyx::test {

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
    // Letter -> reply instead of "*".
    std::map<char, std::string> replies;

    std::vector<PeerStep> Answer(std::string& pending) {
        if (pending.empty() || !IsCommandChar(pending.back())) return {};
        std::lock_guard<std::mutex> lock(mutex_);
        std::string command = pending;
        pending.clear();
        char letter = command.back();
        if (letter == '{' || letter == '}' || letter == '~') return {};
        if (command.size() >= 4 && command.compare(command.size() - 4, 4, "-12?") == 0)
            return {Send("X,-12\r" + firmware + "\rCopyright 2009 Zentrova\r*")};
        if (letter == '!') return answerReset ? std::vector<PeerStep>{Send("*")} : std::vector<PeerStep>{};
        if (letter == 'h') {
            ++idleQueries;
            std::string r = idleReplies.front();
            if (idleReplies.size() > 1) idleReplies.pop_front();
            if (r.empty()) return {};
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
    // A character that ends a command on the wire.
    static bool IsCommandChar(char c) {
        static const std::string kParams = "0123456789-+<>$.,;";
        return static_cast<unsigned char>(c) < 0x7B && kParams.find(c) == std::string::npos;
    }
    // The parameter characters right before the letter.
    static std::string ValueBefore(const std::string& command) {
        std::size_t end = command.size() - 1;
        std::size_t start = end;
        while (start > 0 && !IsCommandChar(command[start - 1])) --start;
        return command.substr(start, end - start);
    }

    std::mutex mutex_;
};

// The board behind a link on COM7, with short limits so that a reply that
// never comes costs little time.
struct TwoAxisBoardLink {
    TwoAxisBoardLink() {
        link = OpenBoardLink(log, dir, peer.SlavePath());
        link->SetIdleTime(300);
        link->SetFastIdleTime(300);
        peer.SetHandler([this](std::string& pending) { return board.Answer(pending); });
    }
    ~TwoAxisBoardLink() {
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

    TempDir dir;
    ScriptedPeer peer;
    TwoAxisBoard board;
    link::CommLog log;
    std::shared_ptr<link::ZentrovaCom> link;
};

}  // namespace plyx::test
