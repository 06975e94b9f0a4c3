// The serial port layer over a real pseudo-terminal.
#include <chrono>

#include "tests/link/LinkFixture.h"

using plyx::link::ZentrovaCom;
using plyx::test::LinkFixture;
using plyx::test::Send;

namespace {

class SerialPort : public LinkFixture {};

TEST_F(SerialPort, ShortNameGetsDevicePrefixAndUpperCase) {
    link->PortOpen("com3");
    EXPECT_EQ(link->PortName(), "\\\\.\\COM3");
    EXPECT_TRUE(link->PortIsOpen());
    EXPECT_FALSE(link->IsFTDI());
    EXPECT_NE(LogText().find("EVENT:Opening COM port \\\\.\\COM3"), std::string::npos);
}

TEST_F(SerialPort, NameWithBackslashIsOnlyUpperCased) {
    link->PortOpen("\\\\.\\com3");
    EXPECT_EQ(link->PortName(), "\\\\.\\COM3");
    link->PortClose();
    EXPECT_FALSE(link->PortIsOpen());
    EXPECT_EQ(link->PortName(), "\\\\.\\COM3");  // kept for a later reopen
    EXPECT_NE(LogText().find("EVENT:Closing COM port \\\\.\\COM3"), std::string::npos);
}

TEST_F(SerialPort, UnmappedNameIsErrorSixWithAHint) {
    auto e = ErrorOf([&] { link->PortOpen("COM9"); });
    EXPECT_EQ(e.Number(), 0x80047536u);
    EXPECT_EQ(e.Source(), "ZentrovaCom.PortOpen");
    EXPECT_EQ(e.Description().rfind("Error 6 reported by ZentrovaCom.PortOpen\r\nFailed to open COM port <\\\\.\\COM9>\r\n", 0), 0u)
        << e.Description();
    EXPECT_NE(e.Description().find("ports/COMn"), std::string::npos);
    EXPECT_FALSE(link->PortIsOpen());
}

TEST_F(SerialPort, SecondOpenOfTheSamePortIsRefused) {
    OpenCom3();
    ZentrovaCom second(log);
    second.SetPortPaths(Paths());
    auto e = ErrorOf([&] { second.PortOpen("COM3"); });
    EXPECT_EQ(e.SmallNumber(), 6);
    EXPECT_NE(e.Description().find("port in use"), std::string::npos) << e.Description();
    // The first link still works.
    peer.When("A", {Send("*")});
    EXPECT_EQ(link->StringWriteCommandSequence("A"), 0);
}

TEST_F(SerialPort, PortCanBeReopenedAfterClose) {
    OpenCom3();
    link->PortClose();
    link->PortOpen("");  // the remembered name
    EXPECT_TRUE(link->PortIsOpen());
    peer.When("A", {Send("*")});
    EXPECT_EQ(link->StringWriteCommandSequence("A"), 0);
}

TEST_F(SerialPort, ThreeHundredQueuedBytesSendOneBlockAndKeepTheRest) {
    OpenCom3();
    std::string bytes = std::string(255, 'a') + "Z" + std::string(43, 'b') + "Y";
    for (char c : bytes) link->CharWrite(static_cast<unsigned char>(c));
    EXPECT_EQ(link->WriteQueueCount(), 44);
    ASSERT_TRUE(peer.WaitForReceived("Z"));
    EXPECT_EQ(peer.Received(), bytes.substr(0, 256));
    std::string log = LogText();
    EXPECT_NE(log.find("SENT:SENDING 256 BYTES OF QUEUED WRITE DATA..."), std::string::npos);
    EXPECT_EQ(log.find("SENDING 44 BYTES"), std::string::npos);
    link->CharFlushWriteBuffer();
    EXPECT_EQ(link->WriteQueueCount(), 0);
    ASSERT_TRUE(peer.WaitForReceived("Y"));
    EXPECT_EQ(peer.Received(), bytes);
    EXPECT_NE(LogText().find("SENT:SENDING 44 BYTES OF QUEUED WRITE DATA..."), std::string::npos);
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
    std::string log = LogText();
    EXPECT_NE(log.find("QUEUED:-12?"), std::string::npos);
    EXPECT_NE(log.find("QUEUED:..\r\n"), std::string::npos);
}

TEST_F(SerialPort, RateRules) {
    link->SetDefaultBaudRate(0);
    EXPECT_EQ(link->BaudRate(), 9600);
    EXPECT_EQ(link->CustomBaudRate(), 0);
    link->SetDefaultBaudRate(57600);
    EXPECT_EQ(link->BaudRate(), 57600);
    EXPECT_EQ(link->CustomBaudRate(), 57600);
    link->SetDefaultBaudRate(19200);
    EXPECT_EQ(link->BaudRate(), 19200);
    EXPECT_EQ(link->CustomBaudRate(), 57600);
}

TEST_F(SerialPort, StandardAndCustomRatesApplyToTheDevice) {
    OpenCom3();
    link->BaudRateSelect(38400);
    link->BaudRateSelect(250000);  // no termios constant: termios2
    EXPECT_EQ(link->BaudRate(), 250000);
    EXPECT_EQ(link->CustomBaudRate(), 250000);
    std::string log = LogText();
    EXPECT_NE(log.find("EVENT:Set baud rate to 38400"), std::string::npos);
    EXPECT_NE(log.find("EVENT:Set baud rate to 250000"), std::string::npos);
}

TEST_F(SerialPort, ReadsZeroByteAndReportsNothingAsMinusOne) {
    OpenCom3();
    peer.Do({Send(std::string("\0\x7F", 2))});
    EXPECT_EQ(link->CharReadRaw(1000), 0);
    EXPECT_EQ(link->CharReadRaw(1000), 0x7F);
    EXPECT_EQ(link->CharReadRaw(20), -1);
    EXPECT_NE(LogText().find("RCVD:(0x00)(0x7F)"), std::string::npos);
}

TEST_F(SerialPort, FlushInputDiscardsPendingBytes) {
    OpenCom3();
    peer.Do({Send("stale")});
    ASSERT_EQ(link->CharReadRaw(1000), 's');  // the rest is waiting now
    link->FlushInput();
    EXPECT_EQ(link->CharReadRaw(30), -1);
    std::string log = LogText();
    EXPECT_NE(log.find("EVENT:WAITING FOR SERIAL OUTPUT DATA TO BE ALL SENT"), std::string::npos);
    EXPECT_NE(log.find("EVENT:FLUSHING SERIAL INPUT DATA"), std::string::npos);
}

TEST_F(SerialPort, VanishedDeviceOnReadIsErrorSevenAtOnce) {
    OpenCom3();
    peer.Do({plyx::test::Hangup()});
    for (int i = 0; i < 200 && !peer.HungUp(); ++i) usleep(1000);
    auto start = std::chrono::steady_clock::now();
    auto e = ErrorOf([&] { link->CharReadRaw(5000); });
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(e.SmallNumber(), 7);
    EXPECT_EQ(e.Source(), "ZentrovaCom.CharRead");
    EXPECT_NE(e.Description().find("Was not able to read a character, with timeout of 5000 milliseconds"),
              std::string::npos);
    EXPECT_NE(e.Description().find("gone away"), std::string::npos);
    EXPECT_LT(took, std::chrono::seconds(2));
    // Every further read fails the same way; none waits out its limit.
    EXPECT_THROW(link->CharReadRaw(5000), plyx::link::BoardLinkError);
    EXPECT_NE(LogText().find("Error 7 reported by ZentrovaCom.CharRead"), std::string::npos);
}

TEST_F(SerialPort, VanishedDeviceOnWriteIsErrorSeven) {
    OpenCom3();
    peer.Do({plyx::test::Hangup()});
    for (int i = 0; i < 200 && !peer.HungUp(); ++i) usleep(1000);
    link->StringWrite("AB");
    auto e = ErrorOf([&] { link->CharFlushWriteBuffer(); });
    EXPECT_EQ(e.SmallNumber(), 7);
    EXPECT_EQ(e.Source(), "ZentrovaCom.CharFlushWriteBuffer");
    EXPECT_NE(e.Description().find("\r\nFailed to write character stream <AB>, error 5 reported by operating system\r\n"),
              std::string::npos)
        << e.Description();
}

TEST_F(SerialPort, VanishedDeviceOnCommandIsErrorSeven) {
    OpenCom3();
    peer.When("X", {plyx::test::Hangup()});
    auto e = ErrorOf([&] { link->StringWriteCommandSequence("100X"); });
    EXPECT_EQ(e.SmallNumber(), 7);
}

TEST_F(SerialPort, KeepAwakeIsTakenWhileOpenAndReleasedOnClose) {
    struct CountingAwake : plyx::platform::serial::KeepAwake {
        int acquired = 0, released = 0;
        bool Acquire(std::string&) override {
            ++acquired;
            return true;
        }
        void Release() override { ++released; }
    } awake;
    link->SetKeepAwake(&awake);
    OpenCom3();
    peer.When("A", {Send("*")});
    link->StringWriteCommandSequence("A");
    link->StringWriteCommandSequence("A");
    EXPECT_EQ(awake.acquired, 1);
    EXPECT_EQ(awake.released, 0);
    link->PortClose();
    EXPECT_EQ(awake.released, 1);
    link->SetKeepAwake(nullptr);
}

TEST_F(SerialPort, MissingKeepAwakeIsLoggedOnce) {
    OpenCom3();
    peer.When("A", {Send("*")});
    link->StringWriteCommandSequence("A");
    link->StringWriteCommandSequence("A");
    std::string log = LogText();
    std::size_t first = log.find("Cannot keep the system awake");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find("Cannot keep the system awake", first + 1), std::string::npos);
}

TEST_F(SerialPort, AutoAwakeZeroNeverAsks) {
    link->SetAutoAwakeFlags(0);
    OpenCom3();
    peer.When("A", {Send("*")});
    link->StringWriteCommandSequence("A");
    EXPECT_EQ(LogText().find("Cannot keep the system awake"), std::string::npos);
    EXPECT_EQ(link->PollKeepSystemAwake(1), 0);
    EXPECT_EQ(link->PollKeepSystemAwake(0), 1);
}

}  // namespace
