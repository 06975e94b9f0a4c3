// Faults on the serial link, end to end: the board link and the 4-axis
// driver against the board simulator on a pseudo-terminal. For each fault:
// the exact result or error, no wait beyond the time limits in force, and a
// communication log that is complete up to the fault.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "drivers/QM4DNCRouter.h"
#include "link/BoardLinkError.h"
#include "link/CommLog.h"
#include "link/ZentrovaCom.h"
#include "sim/Simulator.h"
#include "tests/app/CoreFixture.h"
#include "tests/support/TempDir.h"

namespace plyx::test {
namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t0) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

class LinkFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        board = std::make_unique<sim::Simulator>();
        board->Start();
        board->RegisterAsCom(dir.path(), 11);
        link = MakeLink();
        logPath = dir.path() + "/comm.log";
        log.LogFileOpen(logPath);
    }
    void TearDown() override {
        driver.reset();
        link.reset();
        board.reset();
    }

    std::unique_ptr<link::ZentrovaCom> MakeLink(link::CommLog* withLog = nullptr) {
        auto z = std::make_unique<link::ZentrovaCom>(withLog ? *withLog : log);
        platform::serial::PortPaths paths;
        paths.dataDirectory = dir.path();
        paths.sysRoot = dir.path() + "/sys";
        z->SetPortPaths(paths);
        z->SetAutoAwakeFlags(0);
        return z;
    }

    // Opens COM11 with short limits and a ready 4-axis driver.
    void OpenWithDriver() {
        link->PortOpen("COM11");
        link->SetFastIdleTime(300);
        link->SetIdleTime(1000);
        driver = std::make_unique<drivers::QM4DNCRouter>();
        driver->SetZentrovaRef(*link);
        driver->SetAutoWaitOnMotionComplete(false);
        ASSERT_EQ(driver->ReportFirmwareVersion(), "4.71");
    }

    // Runs fn, which must throw a BoardLinkError; returns it.
    template <typename Fn>
    link::BoardLinkError Raised(Fn fn) {
        try {
            fn();
        } catch (const link::BoardLinkError& e) {
            return e;
        }
        ADD_FAILURE() << "no BoardLinkError";
        return link::BoardLinkError(0, "", "");
    }

    // The log as text; the log is flushed by every error, and here once more.
    std::string LogText() {
        log.Flush();
        return ReadUtf16File(logPath);
    }

    TempDir dir;
    std::unique_ptr<sim::Simulator> board;
    link::CommLog log;
    std::string logPath;
    std::unique_ptr<link::ZentrovaCom> link;
    std::unique_ptr<drivers::QM4DNCRouter> driver;
};

// Silent in the middle, board in verbose mode (the default): the idle query
// raises 4 "Failed to synchronize with board" and gives back the link's idle
// time. The log holds the command that was sent and the error.
TEST_F(LinkFaultTest, BoardSilentMidCommandVerbose) {
    OpenWithDriver();
    board->SetSilent(true);
    link::BoardLinkError e = Raised([&] { link->StringWriteCommandSequence("-10?"); });
    EXPECT_EQ(e.SmallNumber(), 4);

    // A long command waits its own limit, not the short one, before it gives up.
    auto t0 = Clock::now();
    std::int32_t cb = 0;
    e = Raised([&] { link->StringWriteCommand("i", cb, 400); });
    EXPECT_GE(MsSince(t0), 350);
    EXPECT_EQ(e.SmallNumber(), 4);

    t0 = Clock::now();
    e = Raised([&] { driver->IdleWait(500); });
    EXPECT_LT(MsSince(t0), 3000);
    EXPECT_EQ(e.SmallNumber(), 4);
    EXPECT_EQ(link->IdleTime(), 1000);  // the wait's limit was given back

    const std::string text = LogText();
    EXPECT_NE(text.find(" QUEUED:-10?"), std::string::npos);
    EXPECT_NE(text.find("Error 4 reported by ZentrovaCom.ReadToDone"), std::string::npos);
}

// A device that echoes like a modem: the port test sees its own request come
// back, says so, and gives up at the first rate with result 2.
TEST_F(LinkFaultTest, ModemLikeEchoDuringThePortTest) {
    board->SetEcho(true);
    const auto t0 = Clock::now();
    EXPECT_EQ(link->PortOpenAndTest("COM11"), 2);
    EXPECT_LT(MsSince(t0), 2000);
    const std::string text = LogText();
    EXPECT_NE(text.find("... the selected port is probably a modem, since it echoed the request for a "
                        "copyright report!"),
              std::string::npos);
    EXPECT_EQ(text.find("Testing port at baud rate 38400"), std::string::npos);  // stopped after the first rate
}

// "~" from the board: after a line end it ends the reply with 9 (not an
// error) and an idle query answered that way is result 3 (paused). In
// verbose mode a "~" before any line end is the board out of step: error 4.
TEST_F(LinkFaultTest, TildeReplies) {
    OpenWithDriver();
    link->StringWrite("~");  // the board's flush: it answers CR LF "~"
    EXPECT_EQ(link->ReadToDone(500), 9);
    EXPECT_EQ(link->LastResponse(), "\r\n~");

    board->InjectGarbage("\r\n~");
    EXPECT_EQ(driver->IdleWait(500), 3);
    link->FlushRoute();  // what is left of that reply
    EXPECT_EQ(driver->IdleWait(500), 0);

    board->InjectGarbage("~");
    link::BoardLinkError e = Raised([&] { driver->IdleWait(500); });
    EXPECT_EQ(e.SmallNumber(), 4);
    EXPECT_EQ(link->LastResponse().back(), '~');
    link->FlushRoute();
    EXPECT_EQ(driver->IdleWait(500), 0);
}

// A second open of a port in use: refused with error 6 and a text that says
// why; the first owner keeps working.
TEST_F(LinkFaultTest, SecondOpenOfAPortInUse) {
    OpenWithDriver();
    link::CommLog otherLog;
    auto other = MakeLink(&otherLog);
    link::BoardLinkError e = Raised([&] { other->PortOpen("COM11"); });
    EXPECT_EQ(e.SmallNumber(), 6);
    EXPECT_EQ(e.Source(), "ZentrovaCom.PortOpen");
    EXPECT_NE(e.Description().find("Failed to open COM port <\\\\.\\COM11>\r\n"), std::string::npos)
        << e.Description();
    EXPECT_NE(e.Description().find("port in use by another program: close that program or choose another port"),
              std::string::npos);
    EXPECT_FALSE(other->PortIsOpen());
    EXPECT_EQ(other->PortOpenAndTest("COM11"), 1);
    EXPECT_EQ(driver->IdleWait(500), 0);
}

}  // namespace
}  // namespace plyx::test
