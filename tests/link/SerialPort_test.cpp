// The serial port layer over a real pseudo-terminal, directly or through
// an FTDI adapter.
#include "platform/FakeClock.h"
#include "platform/serial/FakeFtdi.h"
#include "tests/link/LinkFixture.h"

using namespace plyx::test;

namespace {

using SerialPort = LinkFixture;

// 256 bytes go out as one block as soon as they are queued, the rest on a
// flush; a close or a rate change drops what is queued; a byte 0 is read.
TEST_F(SerialPort, QueuedBytesGoOutInBlocksOrAreDropped) {
    OpenCom3();
    std::string bytes = std::string(255, 'a') + "Z" + std::string(43, 'b') + "Y";
    for (char c : bytes) link->CharWrite(static_cast<unsigned char>(c));
    EXPECT_EQ(link->WriteQueueCount(), 44);
    ASSERT_TRUE(peer.WaitForReceived("Z"));
    EXPECT_EQ(peer.Received(), bytes.substr(0, 256));
    link->CharFlushWriteBuffer();
    ASSERT_TRUE(peer.WaitForReceived("Y"));
    EXPECT_EQ(peer.TakeReceived(), bytes);
    link->StringWrite("LOST");
    link->BaudRateSelect(19200);
    link->StringWrite("GONE");
    link->PortClose();
    link->PortOpen("COM3");
    peer.When("K", {Send(std::string("\0\x7F*", 3))});
    EXPECT_EQ(link->StringWriteCommandSequence("K"), 0);
    EXPECT_EQ(peer.TakeReceived(), "K");
    EXPECT_TRUE(HoldsAll(LogText(), {"SENT:SENDING 256 BYTES OF QUEUED WRITE DATA...",
                                     "SENT:SENDING 44 BYTES OF QUEUED WRITE DATA...", "RCVD:(0x00)(0x7F)*"}));
}

// A name without a device is error 6 with a hint; a name is upper-cased,
// prefixed and kept for a reopen. A vanished device is error 7.
TEST_F(SerialPort, MissingAndVanishedDevicesAreErrorsSixAndSeven) {
    auto e = ErrorOf([&] { link->PortOpen("COM9"); });
    EXPECT_EQ(e.Number(), 0x80047536u);
    EXPECT_TRUE(HoldsAll(e.Description(), {"Failed to open COM port <\\\\.\\COM9>\r\n", "ports/COMn"}));
    link->PortOpen("com3");
    link->PortClose();
    link->PortOpen("");
    EXPECT_EQ(link->PortName(), "\\\\.\\COM3");
    peer.Do({Hangup()});
    for (int i = 0; i < 200 && !peer.HungUp(); ++i) ::usleep(1000);
    link->StringWrite("AB");
    e = ErrorOf([&] { link->CharFlushWriteBuffer(); });
    EXPECT_EQ(e.SmallNumber(), 7);
    EXPECT_TRUE(Holds(e.Description(),
                      "\r\nFailed to write character stream <AB>, error 5 reported by operating system\r\n"));
}

// The FTDI path: which adapter is taken and the latency rule.
struct Ftdi : LinkFixture {
    Ftdi() {
        link = std::make_unique<plyx::link::ZentrovaCom>(log, clock);
        log.LogFileOpen(dir.File("comm.log"));  // the replaced link closed it
        link->SetPortPaths(Paths());
        link->SetFtdi(&fake);
    }
    // The link closes its adapter on the way out: it goes before the fake.
    ~Ftdi() override { link.reset(); }
    plyx::platform::FakeClock clock;
    plyx::platform::serial::FakeFtdi fake;
};

// An adapter of another number is skipped; one with a slow latency timer
// opens as FTDI and gets 1 ms; once at 1 ms it opens as a plain COM port.
TEST_F(Ftdi, SlowLatencyAdapterOpensAsFtdiOnceThenAsAComPort) {
    ScriptedPeer other;
    for (const auto& [com, path] : {std::pair{7, other.SlavePath()}, std::pair{3, peer.SlavePath()}}) {
        fake.devices.emplace_back();
        fake.devices.back().comNumber = com;
        fake.devices.back().devicePath = path;
    }
    link->PortOpen("COM3");
    EXPECT_TRUE(link->IsFTDI());
    EXPECT_EQ(fake.devices[1].latencySetTo, (std::vector<std::uint8_t>{1}));
    peer.When("-12?", {Send("X,-12\r\nNCR 1.0\r\n*")});
    EXPECT_EQ(link->StringWriteCommandSequence("-12?"), 0);
    EXPECT_EQ(link->Copyright(), "NCR 1.0");
    link->PortOpen("COM3");
    EXPECT_FALSE(link->IsFTDI());
    EXPECT_EQ(fake.devices[1].latencySetTo.size(), 1u);  // already 1 ms: left alone
    EXPECT_TRUE(HoldsAll(LogText(), {"EVENT:Opened FTDI logical port 1 as COM3 since lantency timer was set to 16.",
                                     "SENT:SENDING 4 BYTES OF QUEUED WRITE DATA...",
                                     "EVENT:... FTDI logical port 0 initially defined as com port 7",
                                     "EVENT:Latency timer on FTDI Logical port 1 is set to 1.  "
                                     "Will open as a normal COM port.",
                                     "EVENT:Not FTDI port -- trying to open as true COM port \\\\.\\COM3"}));
}

}  // namespace
