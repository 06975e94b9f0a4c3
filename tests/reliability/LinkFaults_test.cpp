// Faults on the serial link, end to end: the board link and the 4-axis
// driver against the board simulator on a pseudo-terminal. For each fault:
// the exact result or error, no wait beyond the time limits in force, and a
// communication log that is complete up to the fault.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "drivers/QM4DNCRouter.h"
#include "link/ZentrovaCom.h"
#include "sim/Simulator.h"
#include "tests/app/CoreFixture.h"

namespace plyx::test {
namespace {

template <typename Fn>
int ErrorNumberOf(Fn fn) {
    try {
        fn();
    } catch (const link::BoardLinkError& e) {
        return e.SmallNumber();
    }
    return 0;
}

class LinkFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        board.Start();
        board.RegisterAsCom(dir.path(), 11);
        log.LogFileOpen(dir.File("comm.log"));
        link = MakeLink();
    }
    std::unique_ptr<link::ZentrovaCom> MakeLink() {
        auto z = std::make_unique<link::ZentrovaCom>(log);
        z->SetPortPaths({.dataDirectory = dir.path(), .devRoot = dir.path() + "/dev", .sysRoot = dir.path() + "/sys"});
        z->SetAutoAwakeFlags(0);
        return z;
    }
    // Opens COM11 with short limits and a ready 4-axis driver.
    void OpenWithDriver() {
        link->PortOpen("COM11");
        link->SetFastIdleTime(300);
        link->SetIdleTime(1000);
        driver.SetZentrovaRef(*link);
        driver.SetAutoWaitOnMotionComplete(false);
        ASSERT_EQ(driver.ReportFirmwareVersion(), "4.71");
    }
    std::string LogText() {
        log.Flush();
        return ReadUtf16File(dir.File("comm.log"));
    }

    TempDir dir;
    sim::Simulator board;
    link::CommLog log;
    std::unique_ptr<link::ZentrovaCom> link;
    drivers::QM4DNCRouter driver;
};

// Silent in the middle, board in verbose mode (the default): error 4
// "Failed to synchronize with board", within the limits, and the idle wait
// gives back the link's idle time. The log holds the command sent and the error.
TEST_F(LinkFaultTest, BoardSilentMidCommandVerbose) {
    OpenWithDriver();
    board.SetSilent(true);
    EXPECT_EQ(ErrorNumberOf([&] { link->StringWriteCommandSequence("-10?"); }), 4);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorNumberOf([&] { driver.IdleWait(500); }), 4);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
    EXPECT_EQ(link->IdleTime(), 1000);
    const std::string text = LogText();
    EXPECT_NE(text.find(" QUEUED:-10?"), std::string::npos);
    EXPECT_NE(text.find("Error 4 reported by ZentrovaCom.ReadToDone"), std::string::npos);
}

// "~" from the board: after a line end it ends the reply with 9 and an idle
// query answered that way is result 3 (paused). In verbose mode a "~" before
// any line end is the board out of step: error 4.
TEST_F(LinkFaultTest, TildeReplies) {
    OpenWithDriver();
    link->StringWrite("~");  // the board's flush: it answers CR LF "~"
    EXPECT_EQ(link->ReadToDone(500), 9);
    EXPECT_EQ(link->LastResponse(), "\r\n~");
    board.InjectGarbage("\r\n~");
    EXPECT_EQ(driver.IdleWait(500), 3);
    link->FlushRoute();  // what is left of that reply
    EXPECT_EQ(driver.IdleWait(500), 0);
    board.InjectGarbage("~");
    EXPECT_EQ(ErrorNumberOf([&] { driver.IdleWait(500); }), 4);
    link->FlushRoute();
    EXPECT_EQ(driver.IdleWait(500), 0);
}

// A device that echoes like a modem: the port test says so and gives up at
// the first rate with 2. A second open of a port in use is refused with
// error 6 and a text that says why; the first owner keeps working.
TEST_F(LinkFaultTest, ModemEchoAndAPortInUse) {
    board.SetEcho(true);
    EXPECT_EQ(link->PortOpenAndTest("COM11"), 2);
    std::string text = LogText();
    EXPECT_NE(text.find("... the selected port is probably a modem, since it echoed the request for a "
                        "copyright report!"),
              std::string::npos);
    EXPECT_EQ(text.find("Testing port at baud rate 38400"), std::string::npos);
    board.SetEcho(false);
    OpenWithDriver();
    auto other = MakeLink();
    try {
        other->PortOpen("COM11");
        ADD_FAILURE() << "opened twice";
    } catch (const link::BoardLinkError& e) {
        EXPECT_EQ(e.SmallNumber(), 6);
        for (const char* part : {"Failed to open COM port <\\\\.\\COM11>\r\n",
                                 "port in use by another program: close that program or choose another port"})
            EXPECT_NE(e.Description().find(part), std::string::npos) << e.Description();
    }
    EXPECT_EQ(other->PortOpenAndTest("COM11"), 1);
    EXPECT_EQ(driver.IdleWait(500), 0);
}

}  // namespace
}  // namespace plyx::test
