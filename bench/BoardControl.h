#pragma once
// A client of boardsim's control socket: one line out, one answer back.
#include <cstdint>
#include <map>
#include <string>

namespace plyx::bench {

class BoardControl {
public:
    explicit BoardControl(const std::string& socketPath);  // throws std::runtime_error
    ~BoardControl();
    BoardControl(const BoardControl&) = delete;
    BoardControl& operator=(const BoardControl&) = delete;

    // Sends one control line and returns the answer's first line.
    std::string Ask(const std::string& line);
    // The "state" answer as key -> value.
    std::map<std::string, std::string> State();

private:
    int fd_ = -1;
    std::string pending_;
};

// Value of key in a state map as a number, 0 when missing.
std::uint64_t StateNumber(const std::map<std::string, std::string>& state, const std::string& key);

}  // namespace plyx::bench
