// Looking for a board behind a port: rates, attempts, echoes, results.
#include "tests/link/LinkFixture.h"

using namespace plyx::test;

namespace {

const char* kIdentify = "-12?\r\nX,-12\r\nQM4DNCRouter 2.14\r\nCopyright 2009\r\n*";

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

using PortTest = LinkFixture;

// The flush character, then the route or else the neutral preamble, then
// the request; the settings the test changes are given back.
TEST_F(PortTest, BoardIdentifiesAtTheFirstRate) {
    peer.When("-12?", {Send(kIdentify)});
    link->SetVerboseResponse(true);
    link->SetFastIdleTime(777);
    EXPECT_EQ(link->PortOpenAndTest("COM3"), 0);
    EXPECT_EQ(link->Copyright(), "QM4DNCRouter 2.14\r\nCopyright 2009");
    EXPECT_EQ(link->BaudRate(), 115200);
    EXPECT_TRUE(link->VerboseResponse() && link->PortIsOpen() && link->FastIdleTime() == 777);
    EXPECT_EQ(peer.TakeReceived(), "0{}-12?");
    EXPECT_TRUE(Holds(LogText(), "EVENT:... Copyright found! QM4DNCRouter 2.14\r\nCopyright 2009"));
    link->SetRoute("#1");
    ASSERT_TRUE(peer.WaitForReceived("#1"));
    peer.TakeReceived();
    EXPECT_EQ(link->PortOpenAndTest("COM3"), 0);
    EXPECT_EQ(peer.TakeReceived(), "0#1-12?");
}

TEST_F(PortTest, RatesAreTriedInTurn) {
    // The board answers only the second attempt at 38400 (the fourth request).
    int requests = 0;
    peer.SetHandler([&](std::string& pending) -> std::vector<PeerStep> {
        if (pending.size() < 4 || pending.compare(pending.size() - 4, 4, "-12?") != 0) return {};
        pending.clear();
        return {Send(++requests == 4 ? kIdentify : "*")};  // else a reply without identification
    });
    EXPECT_EQ(link->PortOpenAndTest("COM3"), 0);
    EXPECT_EQ(link->BaudRate(), 38400);
    EXPECT_EQ(Count(LogText(), "Extract of the copyright failed."), 3);
    EXPECT_EQ(Count(LogText(), "Testing port at baud rate"), 2);
}

TEST_F(PortTest, SilentDeviceGivesTwoAfterAllRatesAndAnOpenPortIsTriedAtItsRate) {
    link->SetDefaultBaudRate(250000);
    EXPECT_EQ(link->PortOpenAndTest("COM3"), 2);
    std::string log = LogText();
    for (const char* rate : {"115200", "38400", "19200", "9600", "250000"})
        EXPECT_TRUE(Holds(log, std::string("Testing port at baud rate ") + rate));
    EXPECT_EQ(Count(log, "... timeout on send of copyright request"), 10);
    EXPECT_EQ(link->BaudRate(), 250000);  // left open at the last rate
    link->BaudRateSelect(57600);  // an open port is tried at its rate first
    peer.When("-12?", {Send(kIdentify)});
    EXPECT_EQ(link->PortOpenAndTest("\\\\.\\COM3"), 0);
    EXPECT_EQ(link->BaudRate(), 57600);
}

// A device that echoes like a modem: given up at the first rate. A port in
// use is refused with error 6 and a text that says why.
TEST_F(PortTest, ModemEchoAndAPortInUse) {
    peer.SetEcho(true);
    EXPECT_EQ(link->PortOpenAndTest("COM3"), 2);
    EXPECT_TRUE(Holds(LogText(), "... the selected port is probably a modem, since it echoed the request for a "
                                 "copyright report!"));
    EXPECT_EQ(Count(LogText(), "Testing port at baud rate"), 1);
    plyx::link::ZentrovaCom other(log);
    other.SetPortPaths(Paths());
    auto e = ErrorOf([&] { other.PortOpen("COM3"); });
    EXPECT_EQ(e.SmallNumber(), 6);
    EXPECT_TRUE(Holds(e.Description(), "port in use by another program: close that program or choose another port"));
}

// The throwing form says what went wrong, with the board's last words.
TEST_F(PortTest, ErrorsAndTheSearchForTheFirstPortWithABoard) {
    peer.When("-12?", {Send("X,1,2*")});
    auto e = ErrorOf([&] { link->PortOpenAndTestWithException("COM3"); });
    EXPECT_EQ(e.SmallNumber(), 3);
    EXPECT_TRUE(HoldsAll(e.Description(), {"\r\nFailed to detect a valid copyright on port COM3. Saw:\r\nNO COPYRIGHT\r\n",
                                           "The last response from the board was:\r\nX,1,2*"}));
    EXPECT_EQ(link->PortOpenAndTest("COM8"), 1);
    e = ErrorOf([&] { link->PortOpenAndTestWithException("COM8"); });
    EXPECT_EQ(e.SmallNumber(), 6);
    EXPECT_TRUE(Holds(e.Description(), "\r\nFailed to open communications port <COM8>\r\n"));
    peer.Clear();
    ScriptedPeer other;  // COM5: a board, COM3: silence
    LinkPort(5, other.SlavePath());
    other.When("-12?", {Send(kIdentify)});
    link->SetFastIdleTime(100);
    EXPECT_EQ(link->PortFindAndOpen(4, 6), 5);
    EXPECT_EQ(link->PortName(), "\\\\.\\COM5");
    for (int n : {3, 5}) ::unlink((dataDir + "/ports/COM" + std::to_string(n)).c_str());
    e = ErrorOf([&] { link->PortOpenAndTestWithException(""); });
    EXPECT_TRUE(Holds(e.Description(), "\r\nFailed to find communications port with valid Zentrova product\r\n"));
}

}  // namespace
