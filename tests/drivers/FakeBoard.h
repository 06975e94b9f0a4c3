#pragma once
// A scripted 4-axis board on a pseudo-terminal for the driver tests: every
// command (the parameter text and its command character, e.g. "-12?", "h",
// " ", neutral characters left out) gets the replies set for it, in order with the last one repeating,
// or "*" when none are set; a two-byte delta command (first byte with bit 7
// set) is answered "*". Every byte the driver sends is recorded.
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

    FakeBoard();
    const std::string& DevicePath() const { return peer_.SlavePath(); }

    // Replies for one command text; the last one repeats.
    void On(const std::string& command, std::vector<std::string> replies);
    // Answers "-12?" with an identification block of firmware name and version.
    void Identify(const std::string& firmware, const std::string& version);
    // Answers "<item>?" with a value line for motor X.
    void Value(std::int32_t item, std::int32_t value);

    // Bytes received since the last call.
    std::string TakeWire() { return peer_.TakeReceived(); }
    ScriptedPeer& Peer() { return peer_; }

private:
    std::vector<PeerStep> Answer(std::string& pending);

    ScriptedPeer peer_;
    std::mutex mutex_;
    std::map<std::string, std::vector<std::string>> replies_;
};

// The identification reply of a board.
std::string IdentificationReply(const std::string& firmware, const std::string& version);

}  // namespace plyx::test
