#include "tests/drivers/FakeBoard.h"

namespace plyx::test {

namespace {

bool IsCommandCharacter(unsigned char c) {
    static const std::string kParameters = "0123456789-+<>$.,;";
    return c < 0x7B && kParameters.find(static_cast<char>(c)) == std::string::npos;
}

}  // namespace

std::string IdentificationReply(const std::string& firmware, const std::string& version) {
    return "X,-12\r\n" + firmware + " " + version + "\r\n(c) 2009 Board Maker\r\n*";
}

FakeBoard::FakeBoard() {
    peer_.SetHandler([this](std::string& pending) { return Answer(pending); });
}

void FakeBoard::On(const std::string& command, std::vector<std::string> replies) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[command] = std::move(replies);
}

void FakeBoard::Identify(const std::string& firmware, const std::string& version) {
    On("-12?", {IdentificationReply(firmware, version)});
}

void FakeBoard::Value(std::int32_t item, std::int32_t value) {
    On(std::to_string(item) + "?", {"X," + std::to_string(item) + "," + std::to_string(value) + "\r\n*"});
}

std::vector<PeerStep> FakeBoard::Answer(std::string& pending) {
    if (pending.empty()) return {};
    unsigned char first = static_cast<unsigned char>(pending[0]);
    if (first >= 0x80) {  // two-byte delta command
        if (pending.size() < 2) return {};
        pending.clear();
        return {Send("*")};
    }
    if (!IsCommandCharacter(static_cast<unsigned char>(pending.back()))) return {};
    // Neutral characters (such as the flush character "~") are no part of
    // the command.
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

}  // namespace plyx::test
