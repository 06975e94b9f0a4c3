// The control lines of a running simulator, with bytes from the program's
// end of its pseudo-terminal.
#include <gtest/gtest.h>

#include <string>

#include "tests/sim/ProgramEnd.h"

namespace plyx::sim::test {
namespace {

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
