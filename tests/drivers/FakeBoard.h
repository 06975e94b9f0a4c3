#pragma once
// A scripted 4-axis board on a pseudo-terminal for the driver tests: every
// command (the parameter text and its command character, e.g. "-12?", "h",
// " "; neutral characters such as the flush character "~" left out) gets
// the replies set for it, in order with the last one repeating, or "*" when
// none are set; a two-byte delta command (first byte with bit 7 set) is
// answered "*". Every byte the driver sends is recorded.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/ScriptedPeer.h"

namespace plyx::test {

class FakeBoard {
public:
    // A reply that sends nothing at all.
    static constexpr const char* kSilence = "";

    FakeBoard() {
        peer_.SetHandler([this](std::string& pending) { return Answer(pending); });
    }
    const std::string& DevicePath() const { return peer_.SlavePath(); }

    // Replies for one command text; the last one repeats.
    void On(const std::string& command, std::vector<std::string> replies) {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_[command] = std::move(replies);
    }
    // Answers "-12?" with an identification block of firmware name and version.
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
        if (static_cast<unsigned char>(pending[0]) >= 0x80) {  // two-byte delta command
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
        std::string reply = "*";
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = replies_.find(command);
            if (it != replies_.end() && !it->second.empty()) {
                reply = it->second.front();
                if (it->second.size() > 1) it->second.erase(it->second.begin());
            }
        }
        if (reply.empty()) return {};
        return {Send(reply)};
    }

    std::mutex mutex_;
    std::map<std::string, std::vector<std::string>> replies_;
    ScriptedPeer peer_;  // last: its thread stops before the replies go
};

}  // namespace plyx::test
