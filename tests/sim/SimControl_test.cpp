// The control lines of a running simulator, with bytes from the program's
// end of its pseudo-terminal.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "sim/Simulator.h"

namespace plyx::sim::test {
namespace {

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

std::string Field(const std::string& stateLine, const std::string& key) {
    const std::string line = " " + stateLine + " ";
    const std::size_t at = line.find(" " + key + "=");
    if (at == std::string::npos) return "(none)";
    const std::size_t from = at + key.size() + 2;
    return line.substr(from, line.find(' ', from) - from);
}

// restart and power-cycle answer "ok" and say nothing to the program; the
// state line counts them; the moves line carries on across both, each move
// after a cut naming the cuts before it (boot=), before its mark.
TEST(SimControl, RestartAndPowerCycleAnswerOkAndTheMovesLineSpansThem) {
    Simulator sim;
    sim.Start();
    ProgramEnd program(sim);
    ASSERT_TRUE(program.Open());
    ASSERT_TRUE(program.Send("500X300YG", 3));
    ASSERT_TRUE(program.Send("q100xG", 3));  // paused: the move waits
    const std::string before = sim.Control("state");
    EXPECT_EQ(sim.Control("restart"), "ok");
    const std::string restarted = sim.Control("state");
    for (const char* key : {"x", "y", "replies", "resets"}) EXPECT_EQ(Field(restarted, key), Field(before, key)) << key;
    EXPECT_EQ(Field(restarted, "fill") + " " + Field(restarted, "restarts") + " " + Field(restarted, "power_cycles"),
              "0 1 0");
    ASSERT_TRUE(program.Send("200xGq50yG", 5));
    const std::string beforeCycle = sim.Control("state");
    EXPECT_EQ(sim.Control("power-cycle"), "ok");
    const std::string cycled = sim.Control("state");
    for (const char* key : {"replies", "resets"}) EXPECT_EQ(Field(cycled, key), Field(beforeCycle, key)) << key;
    EXPECT_EQ(Field(cycled, "x") + " " + Field(cycled, "y") + " " + Field(cycled, "fill") + " " +
                  Field(cycled, "restarts") + " " + Field(cycled, "power_cycles"),
              "0 0 0 1 1");
    ASSERT_TRUE(program.Send("10xGh", 3));
    EXPECT_EQ(Field(sim.Control("state"), "x"), "10");
    EXPECT_EQ(sim.Control("moves"),
              "moves=5\n"
              "line x=500 y=300 rate=1000 run\n"
              "line x=100 y=0 rate=1000 dropped\n"
              "line x=200 y=0 rate=1000 boot=1 run\n"
              "line x=0 y=50 rate=1000 boot=1 dropped\n"
              "line x=10 y=0 rate=1000 boot=2 run");
    EXPECT_NE(sim.Control("help").find("power-cycle"), std::string::npos);
    sim.Stop();
}

}  // namespace
}  // namespace plyx::sim::test
