// The serial port layer over a real pseudo-terminal.
#include <chrono>

#include "tests/link/LinkFixture.h"

using plyx::link::ZentrovaCom;
using plyx::test::ExpectError;
using plyx::test::Holds;
using plyx::test::HoldsAll;
using plyx::test::LinkFixture;
using plyx::test::Send;

namespace {

class SerialPort : public LinkFixture {};

TEST_F(SerialPort, NamesAreUpperCasedAndPrefixedAndKeptForAReopen) {
    link->PortOpen("com3");
    EXPECT_EQ(link->PortName(), "\\\\.\\COM3");
    link->PortClose();
    link->PortOpen("\\\\.\\com3");  // with the prefix: only upper-cased
    EXPECT_EQ(link->PortName(), "\\\\.\\COM3");
    link->PortClose();
    EXPECT_EQ(link->PortName(), "\\\\.\\COM3");
    link->PortOpen("");  // the remembered name
    EXPECT_TRUE(link->PortIsOpen());
    peer.When("A", {Send("*")});
    EXPECT_EQ(link->StringWriteCommandSequence("A"), 0);
    EXPECT_TRUE(HoldsAll(LogText(), {"EVENT:Opening COM port \\\\.\\COM3", "EVENT:Closing COM port \\\\.\\COM3"}));
}

TEST_F(SerialPort, UnmappedNameIsErrorSixWithAHint) {
    auto e = ErrorOf([&] { link->PortOpen("COM9"); });
    EXPECT_EQ(e.Number(), 0x80047536u);
    EXPECT_EQ(e.Source(), "ZentrovaCom.PortOpen");
    EXPECT_EQ(e.Description().rfind("Error 6 reported by ZentrovaCom.PortOpen\r\nFailed to open COM port <\\\\.\\COM9>\r\n", 0), 0u)
        << e.Description();
    EXPECT_TRUE(Holds(e.Description(), "ports/COMn"));
    EXPECT_FALSE(link->PortIsOpen());
}

TEST_F(SerialPort, ThreeHundredQueuedBytesSendOneBlockAndKeepTheRest) {
    OpenCom3();
    std::string bytes = std::string(255, 'a') + "Z" + std::string(43, 'b') + "Y";
    for (char c : bytes) link->CharWrite(static_cast<unsigned char>(c));
    EXPECT_EQ(link->WriteQueueCount(), 44);
    ASSERT_TRUE(peer.WaitForReceived("Z"));
    EXPECT_EQ(peer.Received(), bytes.substr(0, 256));
    std::string log = LogText();
    EXPECT_TRUE(Holds(log, "SENT:SENDING 256 BYTES OF QUEUED WRITE DATA..."));
    EXPECT_EQ(log.find("SENDING 44 BYTES"), std::string::npos);
    link->CharFlushWriteBuffer();
    EXPECT_EQ(link->WriteQueueCount(), 0);
    ASSERT_TRUE(peer.WaitForReceived("Y"));
    EXPECT_EQ(peer.Received(), bytes);
    EXPECT_TRUE(Holds(LogText(), "SENT:SENDING 44 BYTES OF QUEUED WRITE DATA..."));
}

TEST_F(SerialPort, CloseAndRateChangeDropQueuedBytes) {
    OpenCom3();
    link->StringWrite("LOST");
    link->BaudRateSelect(19200);
    EXPECT_EQ(link->WriteQueueCount(), 0);
    link->StringWrite("GONE");
    link->PortClose();
    link->PortOpen("COM3");
    peer.When("K", {Send("*")});
    EXPECT_EQ(link->StringWriteCommandSequence("K"), 0);
    ASSERT_TRUE(peer.WaitForReceived("K"));
    EXPECT_EQ(peer.Received(), "K");
}

TEST_F(SerialPort, QueuedLogLinesShowBytesOrDots) {
    OpenCom3();
    link->StringWrite("-12?");
    link->CharFlushWriteBuffer();
    link->SetBlockCharWriteLog(true);
    link->StringWrite("AB");
    link->CharFlushWriteBuffer();
    EXPECT_TRUE(HoldsAll(LogText(), {"QUEUED:-12?", "QUEUED:..\r\n"}));
}

TEST_F(SerialPort, ReadsZeroByteAndReportsNothingAsMinusOne) {
    OpenCom3();
    peer.Do({Send(std::string("\0\x7F", 2))});
    EXPECT_EQ(link->CharReadRaw(1000), 0);
    EXPECT_EQ(link->CharReadRaw(1000), 0x7F);
    EXPECT_EQ(link->CharReadRaw(20), -1);
    EXPECT_TRUE(Holds(LogText(), "RCVD:(0x00)(0x7F)"));
}

TEST_F(SerialPort, VanishedDeviceOnWriteIsErrorSeven) {
    OpenCom3();
    HangUpPeer();
    link->StringWrite("AB");
    ExpectError(ErrorOf([&] { link->CharFlushWriteBuffer(); }), 7, "ZentrovaCom.CharFlushWriteBuffer",
                "\r\nFailed to write character stream <AB>, error 5 reported by operating system\r\n");
}

TEST_F(SerialPort, KeepAwakeIsTakenWhileOpenAndReleasedOnClose) {
    struct CountingAwake : plyx::platform::serial::KeepAwake {
        int acquired = 0, released = 0;
        bool Acquire(std::string&) override { return ++acquired > 0; }
        void Release() override { ++released; }
    } awake;
    link->SetKeepAwake(&awake);
    OpenCom3();
    peer.When("A", {Send("*")});
    link->StringWriteCommandSequence("AA");
    EXPECT_EQ(awake.acquired, 1);  // once per opening, not per command
    EXPECT_EQ(awake.released, 0);
    link->PortClose();
    EXPECT_EQ(awake.released, 1);
    link->SetKeepAwake(nullptr);
}

}  // namespace
