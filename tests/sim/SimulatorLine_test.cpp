// The simulator through the program's end of its pseudo-terminal, and the
// boardsim executable's ways of ending.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <gtest/gtest.h>

#include "sim/Simulator.h"
#include "tests/support/TempDir.h"

namespace plyx::sim::test {
namespace {

// The program's end of the line, opened by path the way the program opens a port.
struct ProgramEnd {
    explicit ProgramEnd(Simulator& sim) : fd(::open((sim.Start(), sim.DevicePath()).c_str(), O_RDWR | O_NOCTTY)) {
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    ~ProgramEnd() { ::close(fd); }
    // Up to the first "*" or "~" (or everything, when `whole`), until the line is quiet for ms.
    std::string Read(int ms = 1000, bool whole = false) {
        std::string out;
        pollfd p{fd, POLLIN, 0};
        unsigned char c;
        while ((whole || out.empty() || (out.back() != '*' && out.back() != '~')) && ::poll(&p, 1, ms) == 1 &&
               ::read(fd, &c, 1) == 1)
            out.push_back(static_cast<char>(c));
        return out;
    }
    std::string Ask(const std::string& bytes, int ms = 1000) {
        EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        return Read(ms);
    }
    int fd;
};

TEST(SimulatorLine, PacingAndLatencyKeepEveryByteInOrderAndAreCounted) {
    SimOptions o;
    o.spinMicros = 200;  // watching the line without sleeping changes no byte
    Simulator sim(o);
    ProgramEnd p(sim);
    sim.SetPacing(115200);
    sim.SetLatency(16);
    std::string one = "-1200R" + std::string("\xA0\x64", 2) + "G", all = p.Ask(one + one + one);
    for (int i = 1; i < 9; ++i) all += p.Read();
    EXPECT_EQ(all, "**G29*" "**G29*" "**G29*");
    EXPECT_EQ(p.Read(50, true), "");
    EXPECT_EQ(sim.Moves().size(), 3u);
    ASSERT_TRUE(sim.WaitFor([&](const SimState& s) { return s.counters.bytesOut == all.size(); },
                            std::chrono::milliseconds(1000)));
    EXPECT_EQ(sim.State().counters.bytesIn, 27u);
    EXPECT_EQ(sim.State().counters.commands, 9u);
}

TEST(SimulatorLine, ControlLinesDriveSwitchesLimitsAndFaults) {
    plyx::test::TempDir dir;
    Simulator sim{SimOptions()};
    ProgramEnd p(sim);
    const std::pair<std::string, std::string> talk[] = {
        {"press start", "7?"}, {"release START", "7?"}, {"latch", "L"}, {"limit 3", "6?"}, {"silent on", "-12?"},
        {"silent off", ""}, {"garbage \\x01\\r", "h"}, {"drop 1", "h"}, {"echo on", "ab*"}, {"echo off", "h"}};
    std::string replies;
    for (const auto& [line, ask] : talk) {
        replies += sim.Control(line) + " ";
        replies += (ask.empty() ? "" : p.Ask(ask, 100)) + "|";
    }
    EXPECT_EQ(replies, "ok X,7,254\r\n*|ok X,7,255\r\n*|ok R,L,1\r\n*|ok X,6,252\r\n*|ok |ok |ok I3\x01\r0*|ok |"
                       "ok ab*|ok I30*|");
    for (const std::string& line : std::vector<std::string>{"silent maybe", "baud fast", "press NOSUCH",
                                                            "register " + dir.path() + " 256"})
        EXPECT_EQ(sim.Control(line).rfind("error", 0), 0u) << line;
    EXPECT_EQ(sim.Control("register " + dir.path() + " 3"), dir.path() + "/ports/COM3");
    EXPECT_NE(sim.Control("state").find(" limits=3 "), std::string::npos);
}

// Exit status of a bash script.
int Bash(const std::string& script) {
    int status = std::system(("bash -c '" + script + "' >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// With the panel, the window and the control lines run on two threads:
// either way of ending boardsim must end both.
TEST(Boardsim, EndsOnQuitOrSigtermWithOrWithoutPanelAndRejectsBadOptions) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    for (const std::string args : {"--capacity 8", "--panel"})
        for (const std::string end : {"echo quit >&${S[1]}", "kill -TERM $S_PID"})
            EXPECT_EQ(Bash("coproc S { exec timeout 20 " BOARDSIM_PATH " " + args + "; }; read -r path <&${S[0]} && " +
                           end + " && wait $S_PID"), 0) << args << ", " << end;
    for (const char* bad : {"--capacity 0", "--family 4 --firmware VT2D20NCRouter", "--com 3", "--firmware BAD\\*NAME",
                            "--nonsense"})
        EXPECT_EQ(Bash(std::string(BOARDSIM_PATH " ") + bad), 2) << bad;
}

}  // namespace
}  // namespace plyx::sim::test
