// Commands and replies over the pseudo-terminal: what reaches the board,
// which replies end a command, and the errors of the framing.
#include <chrono>

#include "tests/link/LinkFixture.h"

using plyx::test::ExpectError;
using plyx::test::Holds;
using plyx::test::LinkFixture;
using plyx::test::Pause;
using plyx::test::Send;

namespace {

class Framing : public LinkFixture {
protected:
    void SetUp() override {
        OpenCom3();
        link->SetVerboseResponse(false);
        // Long enough for a peer thread scheduled late on a busy machine.
        link->SetFastIdleTime(1000);
    }
};

TEST_F(Framing, CommandRunsUpToAndIncludingTheFirstCommandCharacter) {
    peer.When("Z", {Send("*")});
    std::int32_t written = 0;
    EXPECT_EQ(link->StringWriteCommand("12,34Z", written, 1000), 0);
    EXPECT_EQ(written, 6);
    EXPECT_EQ(peer.Received(), "12,34Z");
    peer.When("Q", {Send("*")});
    written = -7;  // a negative start counts from the beginning
    EXPECT_EQ(link->StringWriteCommand("5Q", written, 1000), 0);
    EXPECT_EQ(written, 2);
}

TEST_F(Framing, SequenceSendsOneCommandAtATime) {
    // The second command only goes out after the first reply.
    peer.When("100X", {Pause(30), Send("*")});
    peer.When("200Y", {Send("*")});
    EXPECT_EQ(link->StringWriteCommandSequence("100X200Y"), 0);
    EXPECT_EQ(peer.Received(), "100X200Y");
    EXPECT_TRUE(plyx::test::HoldsAll(LogText(), {"QUEUED:100X", "QUEUED:200Y"}));
}

TEST_F(Framing, TrailingParameterStaysQueuedUntilTheNextRead) {
    std::int32_t written = 0;
    EXPECT_EQ(link->StringWriteCommand("125", written, 1000), 0);  // no command: nothing awaited
    EXPECT_EQ(written, 3);
    peer.When("X", {Send("*")});
    EXPECT_EQ(link->StringWriteCommandSequence("100X50"), 0);
    EXPECT_EQ(link->WriteQueueCount(), 2);
    EXPECT_EQ(peer.Received(), "125100X");
}

TEST_F(Framing, TildeStopsTheSequence) {
    peer.When("1A", {Send("~")});
    EXPECT_EQ(link->StringWriteCommandSequence("1A2B"), 9);
    EXPECT_EQ(link->LastResponse(), "~");
    EXPECT_EQ(link->CharReadRaw(30), -1);
    EXPECT_EQ(peer.Received(), "1A");
}

TEST_F(Framing, NeutralCharactersNeverEndACommandButABlankDoes) {
    peer.When(" ", {Send("*")});
    peer.When("M", {Send("*")});
    EXPECT_EQ(link->StringWriteCommandSequence("{}~ 15M"), 0);
    EXPECT_EQ(peer.Received(), "{}~ 15M");
}

TEST_F(Framing, ShortCommandTimeoutIsErrorOne) {
    link->SetFastIdleTime(300);
    auto e = ErrorOf([&] { link->StringWriteCommandSequence("5q"); });
    EXPECT_EQ(e.Number(), 0x80047531u);
    EXPECT_EQ(e.Source(), "ZentrovaCom.StringWriteCommand");
    EXPECT_EQ(e.Description(),
              "Error 1 reported by ZentrovaCom.StringWriteCommand\r\n"
              "Error was unexpected timeout waiting for command response to <5q> at character <Q>\r\n"
              "Error was associated with board 0 on route '' and port \\\\.\\COM3\r\n"
              "The last response from the board was:\r\n");
}

TEST_F(Framing, LongCommandTimeoutIsResultMinusOne) {
    // A lower-case letter counts as its upper case; "I" stays long.
    link->SetLongCommands("kp");
    EXPECT_EQ(link->LongCommands(), "IKP");
    std::int32_t written = 0;
    EXPECT_EQ(link->StringWriteCommand("3p", written, 40), -1);
}

TEST_F(Framing, ShortCommandsWaitFastIdleTimePerByte) {
    // Each byte comes within the limit, the whole reply takes longer.
    link->SetFastIdleTime(250);
    peer.When("V", {Send("a"), Pause(100), Send("b"), Pause(100), Send("c"), Pause(100), Send("*")});
    EXPECT_EQ(link->StringWriteCommandSequence("V"), 0);
    EXPECT_EQ(link->LastResponse(), "abc*");
}

TEST_F(Framing, DataThenSingleCommandSendsOnlyTheFirstCommand) {
    peer.When("R", {Send("*")});
    EXPECT_EQ(link->StringWriteDataThenSingleCommand(-1200, "RXY"), 0);
    EXPECT_EQ(peer.Received(), "-1200R");
    EXPECT_EQ(link->StringWriteDataThenSingleCommand(42, ""), 0);
    EXPECT_EQ(link->WriteQueueCount(), 2);
}

TEST_F(Framing, VerboseReplyWithoutLineEndIsErrorFour) {
    link->SetVerboseResponse(true);
    peer.When("H", {Send("H\r\n~")});  // after a line end "~" is in step
    EXPECT_EQ(link->StringWriteCommandSequence("H"), 9);
    peer.When("L", {Send("abc~")});
    auto e = ErrorOf([&] { link->StringWriteCommandSequence("L"); });
    ExpectError(e, 4, "ZentrovaCom.ReadToDone", "\r\nFailed to synchronize with board\r\n");
    EXPECT_TRUE(Holds(e.Description(), "The last response from the board was:\r\nabc~"));
}

TEST_F(Framing, LongReplyKeepsTheFirst256Characters) {
    std::string body(300, 'x');
    peer.When("G", {Send(body + "X,7,99*")});
    EXPECT_EQ(link->StringWriteCommandSequence("G"), 0);
    EXPECT_EQ(link->LastResponse(), std::string(256, 'x'));
    EXPECT_EQ(link->ResultGet("X", "7"), "");  // beyond what is kept
}

TEST_F(Framing, EndlessReplyGivesUpInsteadOfHanging) {
    peer.When("N", {Send(std::string(70000, 'g'))});
    link->StringWrite("N");
    auto e = ErrorOf([&] { link->ReadToDone(1000); });
    EXPECT_EQ(e.SmallNumber(), 4);
}

TEST_F(Framing, ReplyIsParsedIntoTheResultTableAlsoAfterATimeout) {
    peer.When("K", {Send("X,POS,77\r\nY;1A;-1F")});
    link->StringWrite("K");
    EXPECT_EQ(link->ReadToDone(50), -1);
    EXPECT_EQ(link->LastResponse(), "X,POS,77\r\nY;1A;-1F");
    EXPECT_EQ(link->ResultGet("X", "POS"), "77");
    EXPECT_EQ(link->ResultGet("Y", "26"), "-31");
    EXPECT_EQ(link->LastCommaResult(), "-31");
}

TEST_F(Framing, LocalSwitchCommandsSendNothing) {
    EXPECT_EQ(link->StringWriteCommandSequence("/C xyz"), 0);
    EXPECT_EQ(link->LongCommands(), "I XYZ");
    EXPECT_EQ(link->StringWriteCommandSequence("/i 2500"), 0);
    EXPECT_EQ(link->IdleTime(), 2500);
    EXPECT_EQ(link->StringWriteCommandSequence("/B19200"), 0);
    EXPECT_EQ(link->BaudRate(), 19200);
    EXPECT_EQ(peer.Received(), "");
    ExpectError(ErrorOf([&] { link->StringWriteCommandSequence("/Z1"); }), 5, "ZentrovaCom.InterpretSwitch",
                "\r\nUnknown command requested: Command was </Z1>\r\n");
    EXPECT_EQ(link->StringWriteCommandSequence("/Pcom3"), 0);  // reopens the port
    EXPECT_EQ(link->PortName(), "\\\\.\\COM3");
    EXPECT_TRUE(link->PortIsOpen());
}

TEST_F(Framing, NonAsciiTextGoesOutAsSingleBytes) {
    link->StringWrite("\xC2\xB5\xE2\x82\xAC");  // micro sign, euro sign
    link->CharFlushWriteBuffer();
    ASSERT_TRUE(peer.WaitForReceived("?"));
    EXPECT_EQ(peer.Received(), "\xB5?");
}

}  // namespace
