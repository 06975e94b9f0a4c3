#include "sim/LinkShaper.h"

#include <algorithm>

namespace plyx::sim {

void LinkShaper::Incoming(double now, std::string_view bytes) {
    if (echo_) {
        // A modem in command mode: every byte comes straight back.
        double t = std::max(now, lastOut_);
        for (char c : bytes) {
            t += ByteTime();
            toProgram_.emplace_back(t, c);
        }
        lastOut_ = t;
        return;
    }
    if (silent_) return;
    double t = std::max(now, lastIn_);
    for (char c : bytes) {
        t += ByteTime();
        toBoard_.emplace_back(t, c);
    }
    lastIn_ = t;
}

std::string LinkShaper::DueToBoard(double now) {
    std::string out;
    for (auto& [t, c] : ArrivedAtBoard(now)) out.push_back(c);
    return out;
}

std::vector<std::pair<double, char>> LinkShaper::ArrivedAtBoard(double now) {
    std::vector<std::pair<double, char>> out;
    while (!toBoard_.empty() && toBoard_.front().first <= now) {
        out.push_back(toBoard_.front());
        toBoard_.pop_front();
    }
    return out;
}

void LinkShaper::Outgoing(double now, std::string reply) {
    if (silent_ || echo_) return;
    if (drop_ > 0) {
        --drop_;
        return;
    }
    if (!garbage_.empty()) {
        // Inside the reply, before its last byte (the end mark).
        size_t at = reply.empty() ? 0 : std::min(reply.size() / 2, reply.size() - 1);
        reply.insert(at, garbage_);
        garbage_.clear();
    }
    double t = std::max(now + latency_, lastOut_);
    // Bytes with gaps between them leave a receiver one by one (its FIFO
    // times out in each gap).
    const size_t burst = gap_ > 0 ? 1 : static_cast<size_t>(burst_);
    for (size_t first = 0; first < reply.size(); first += burst) {
        size_t n = std::min(burst, reply.size() - first);
        t += static_cast<double>(n) * (ByteTime() + gap_);
        for (size_t i = 0; i < n; ++i) toProgram_.emplace_back(t, reply[first + i]);
    }
    lastOut_ = t;
}

std::string LinkShaper::DueToProgram(double now) {
    std::string out;
    while (!toProgram_.empty() && toProgram_.front().first <= now) {
        out.push_back(toProgram_.front().second);
        toProgram_.pop_front();
    }
    return out;
}

double LinkShaper::NextDue() const {
    double t = std::numeric_limits<double>::infinity();
    if (!toBoard_.empty()) t = std::min(t, toBoard_.front().first);
    if (!toProgram_.empty()) t = std::min(t, toProgram_.front().first);
    return t;
}

void LinkShaper::Clear() {
    toBoard_.clear();
    toProgram_.clear();
}

}  // namespace plyx::sim
