// The simulator through the program's end of its pseudo-terminal.
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <gtest/gtest.h>

#include "ProgramEnd.h"
#include "sim/Simulator.h"
#include "tests/support/TempDir.h"

namespace plyx::sim::test {
namespace {

using std::chrono::milliseconds;

SimOptions Options(const std::string& name = "QM4DNCRouter", const std::string& version = "4.71") {
    SimOptions o;
    o.firmwareName = name;
    o.versionText = version;
    return o;
}

// A started simulator with the program's end of its line open.
struct Rig {
    explicit Rig(const SimOptions& o = Options()) : sim(o) {}
    static std::string Started(Simulator& s) {
        s.Start();
        return s.DevicePath();
    }
    Simulator sim;
    ProgramEnd p{Started(sim)};
};

TEST(SimulatorLine, PacingAndLatencyKeepEveryByteInOrderAndAreCounted) {
    SimOptions o = Options();
    o.spinMicros = 200;  // watching the line without sleeping changes no byte
    Rig r(o);
    r.sim.SetPacing(115200);
    r.sim.SetLatency(16);
    std::string one = "-1200R" + std::string("\xA0\x64", 2) + "G";
    r.p.Send(one + one + one);
    std::string all;
    for (int i = 0; i < 9; ++i) all += r.p.ReadReply();
    EXPECT_EQ(all, "**G29*" "**G29*" "**G29*");
    EXPECT_EQ(r.p.ReadFor(50), "");
    EXPECT_EQ(r.sim.Moves().size(), 3u);
    ASSERT_TRUE(
        r.sim.WaitFor([&](const SimState& s) { return s.counters.bytesOut == all.size(); }, milliseconds(1000)));
    EXPECT_EQ(r.sim.State().counters.bytesIn, 27u);
    EXPECT_EQ(r.sim.State().counters.commands, 9u);
}

TEST(SimulatorLine, RecordsEachBlockWithTheRepliesItsBytesProduced) {
    Simulator sim(Options());
    sim.SetPacing(115200);
    sim.Start();
    ProgramEnd p(sim.DevicePath());
    ASSERT_EQ(p.Ask("h"), "I30*");  // before the record
    sim.RecordExchanges();
    EXPECT_EQ(p.Ask("h"), "I30*");
    p.Send("0");  // a parameter alone: no reply yet
    EXPECT_EQ(p.ReadFor(30), "");
    p.Send(" 2M7?h");
    std::string all;
    for (int i = 0; i < 4; ++i) all += p.ReadReply();
    EXPECT_EQ(all, "**X,7,255\r\n*I30*");
    auto record = sim.TakeExchanges();
    ASSERT_EQ(record.size(), 3u);
    EXPECT_EQ(record[0].sent, "h");
    EXPECT_EQ(record[0].replies, 1);
    EXPECT_EQ(record[1].sent, "0");
    EXPECT_EQ(record[1].replies, 0);  // the reply to "0 " belongs to the block with the blank
    EXPECT_EQ(record[2].sent, " 2M7?h");
    EXPECT_EQ(record[2].replies, 4);
    // The record has ended: later traffic is not added.
    EXPECT_EQ(p.Ask("h"), "I30*");
    EXPECT_TRUE(sim.TakeExchanges().empty());
}

TEST(SimulatorLine, ProgramMayCloseAndReopenItsEnd) {
    Simulator sim(Options());
    sim.Start();
    {
        ProgramEnd p(sim.DevicePath());
        ASSERT_TRUE(p.ok());
        ::ioctl(p.fd(), TIOCEXCL);
        EXPECT_EQ(p.Ask("h"), "I30*");
        // A reply still on its way when the port closes is lost with it.
        p.Send("h");
    }
    EXPECT_TRUE(sim.WaitFor([](const SimState& s) { return !s.programConnected; }, milliseconds(2000)));
    ProgramEnd again(sim.DevicePath());
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.ReadFor(50), "");
    EXPECT_EQ(again.Ask("h"), "I30*");
}

TEST(SimulatorPanel, ControlLinesDriveSwitchesAndReportState) {
    Rig r;
    EXPECT_EQ(r.sim.Control("press start"), "ok");
    EXPECT_EQ(r.p.Ask("7?"), "X,7,254\r\n*");
    EXPECT_EQ(r.sim.Control("release START"), "ok");
    EXPECT_EQ(r.sim.Control("tap PAUSE 20"), "ok");
    EXPECT_EQ(r.sim.State().switchesClosed, 2);
    EXPECT_TRUE(r.sim.WaitFor([](const SimState& s) { return s.switchesClosed == 0; }, milliseconds(1000)));
    EXPECT_EQ(r.sim.Control("latch"), "ok");
    EXPECT_EQ(r.p.Ask("L"), "R,L,1\r\n*");
    EXPECT_EQ(r.sim.Control("limit 3"), "ok");
    EXPECT_EQ(r.p.Ask("6?"), "X,6,252\r\n*");
    r.p.Ask("255F22E");
    std::string state = r.sim.Control("state");
    EXPECT_NE(state.find(" lamps=22 "), std::string::npos) << state;
    EXPECT_NE(state.find(" limits=3 "), std::string::npos) << state;
    bool quit = false;
    r.sim.Control("quit", &quit);
    EXPECT_TRUE(quit);
}

TEST(SimulatorPanel, ControlLinesForFaultsLineAndRegistration) {
    plyx::test::TempDir dir;
    Rig r;
    EXPECT_EQ(r.sim.Control("silent on"), "ok");
    r.p.Send("-12?");
    EXPECT_EQ(r.p.ReadFor(100), "");
    EXPECT_EQ(r.sim.Control("silent off"), "ok");
    EXPECT_EQ(r.sim.Control("garbage \\x01\\r"), "ok");
    EXPECT_EQ(r.p.Ask("h"), "I3\x01\r0*");  // inside the next reply only
    EXPECT_EQ(r.sim.Control("drop 1"), "ok");
    r.p.Send("h");
    EXPECT_EQ(r.p.ReadFor(100), "");
    for (const char* line : {"baud 9600", "latency 5", "slow 30"}) EXPECT_EQ(r.sim.Control(line), "ok") << line;
    // Each byte comes within its own limit, so the whole reply arrives.
    EXPECT_EQ(r.p.Ask("h", 200), "I30*");
    EXPECT_EQ(r.sim.Control("echo on"), "ok");
    EXPECT_EQ(r.p.Ask("ab*"), "ab*");
    EXPECT_EQ(r.sim.Control("echo off"), "ok");
    std::vector<std::string> bad{"silent maybe", "baud fast", "press NOSUCH", "register " + dir.path() + " 256"};
    for (const std::string& line : bad) EXPECT_EQ(r.sim.Control(line).rfind("error", 0), 0u) << line;
    EXPECT_EQ(r.sim.Control("register " + dir.path() + " 3"), dir.path() + "/ports/COM3");
    EXPECT_EQ(r.sim.Control("path"), r.sim.DevicePath());
    EXPECT_EQ(r.sim.Control(""), "");
}

}  // namespace
}  // namespace plyx::sim::test
