#pragma once
// Talking to the board engine with plain strings.
#include <memory>
#include <string>
#include <string_view>

#include "sim/Board.h"

namespace plyx::sim::test {

inline std::unique_ptr<Board> MakeBoard(const std::string& name, const std::string& version = "4.71",
                                        double timeScale = 0.0, int capacity = 30) {
    SimOptions o;
    o.firmwareName = name;
    o.versionText = version;
    o.timeScale = timeScale;
    o.queueCapacity = capacity;
    return Board::Create(o);
}

// Sends bytes and returns every reply they produced, joined.
inline std::string Say(Board& b, std::string_view bytes) {
    b.Receive(bytes);
    std::string all;
    for (const std::string& r : b.TakeReplies()) all += r;
    return all;
}

inline std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

}  // namespace plyx::sim::test
