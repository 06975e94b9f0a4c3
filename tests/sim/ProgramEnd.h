#pragma once
// The program's end of a running simulator's pseudo-terminal, for tests
// that need the board to have taken commands.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "sim/Simulator.h"

namespace plyx::sim::test {

// The program's end: sends commands and waits until the board has acted on
// `commands` more of them.
class ProgramEnd {
public:
    explicit ProgramEnd(Simulator& sim) : sim_(sim), fd_(::open(sim.DevicePath().c_str(), O_RDWR | O_NOCTTY)) {}
    ~ProgramEnd() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Send(const std::string& bytes, uint64_t commands) {
        const uint64_t want = sim_.State().counters.commands + commands;
        if (::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return false;
        return sim_.WaitFor([&](const SimState& s) { return s.counters.commands >= want; }, std::chrono::seconds(10));
    }
    bool Open() const { return fd_ >= 0; }

private:
    Simulator& sim_;
    int fd_;
};

}  // namespace plyx::sim::test
