#pragma once
// Talking to the board engine with plain strings.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "sim/Board.h"

namespace plyx::sim::test {

inline std::unique_ptr<Board> MakeBoard(const std::string& name, const std::string& version = "4.71",
                                        double timeScale = 0.0, int capacity = 30) {
    SimOptions o;
    std::tie(o.firmwareName, o.versionText) = std::tie(name, version);
    std::tie(o.timeScale, o.queueCapacity) = std::tie(timeScale, capacity);
    return Board::Create(o);
}

// Sends bytes and returns every reply they produced, joined.
inline std::string Say(Board& b, std::string_view bytes) {
    b.Receive(bytes);
    std::string all;
    for (const std::string& r : b.TakeReplies()) all += r;
    return all;
}

// Sends each request in turn and checks what it brought back.
struct Exchange {
    std::string_view say, reply;
};
inline void Talk(Board& b, std::initializer_list<Exchange> talk) {
    for (const Exchange& e : talk) EXPECT_EQ(Say(b, e.say), e.reply) << "in reply to <" << e.say << ">";
}

// The named fields of the board's state line, e.g. StateOf(b, "x fill") gives "x=5 fill=1".
inline std::string StateOf(const Board& b, const std::string& keys) {
    const std::string line = " " + b.State().ToLine() + " ";
    std::istringstream want(keys);
    std::string out;
    for (std::string key; want >> key;) {
        const std::size_t at = line.find(" " + key + "=") + 1;
        out += (out.empty() ? "" : " ") + line.substr(at, line.find(' ', at) - at);
    }
    return out;
}

inline std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

// The queued moves as "line x=1 y=-2 @rate;" entries (axes without steps
// left out), for checking a whole record at once.
inline std::string MovesOf(const std::vector<MoveRecord>& moves) {
    std::string out;
    for (const MoveRecord& m : moves) {
        out += m.kind == MoveRecord::Arc ? "arc" : "line";
        for (int axis : {kX, kY, kZ, kW})
            if (m.steps[axis] != 0) out += std::string(" ") + "wxyz"[axis] + "=" + std::to_string(m.steps[axis]);
        out += " @" + std::to_string(m.rate) + ";";
    }
    return out;
}

}  // namespace plyx::sim::test
