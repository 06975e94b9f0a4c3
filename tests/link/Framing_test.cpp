// Commands and replies over the pseudo-terminal: what reaches the board,
// which replies end a command, and the errors of the framing.
#include <cctype>
#include <chrono>

#include "link/LinkText.h"
#include "tests/link/LinkFixture.h"

using namespace plyx::test;

namespace {

struct Framing : LinkFixture {
    void SetUp() override {
        OpenCom3();
        link->SetVerboseResponse(false);
        link->SetFastIdleTime(1000);  // long enough for a peer thread scheduled late on a busy machine
    }
};

// A sequence goes out one command at a time, each up to and including its
// command letter; "-" and neutral characters never end a command, a blank
// does; "~" stops the sequence with 9; a trailing parameter stays queued.
TEST_F(Framing, SequencesTable) {
    const struct {
        const char* seq;
        std::vector<std::pair<const char*, const char*>> replies;  // request end -> reply
        int result;
        const char* received;
        const char* last;  // response
    } cases[] = {
        {"12,34Z", {{"Z", "*"}}, 0, "12,34Z", "*"},
        {"100X200Y", {{"100X", "a*"}, {"200Y", "b*"}}, 0, "100X200Y", "b*"},
        {"-5R-7S", {{"-5R", "*"}, {"-7S", "*"}}, 0, "-5R-7S", "*"},
        {"{}~ 15M", {{" ", "*"}, {"M", "m*"}}, 0, "{}~ 15M", "m*"},
        {"1A2B", {{"1A", "~"}}, 9, "1A", "~"},
        {"/B19200", {}, 0, "", "~"},  // a local switch: nothing sent, nothing read
        {"100X50", {{"X", "*"}}, 0, "100X", "*"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seq);
        for (const auto& [request, reply] : c.replies) peer.When(request, {Send(reply)}, 1);
        EXPECT_EQ(link->StringWriteCommandSequence(c.seq), c.result);
        EXPECT_EQ(peer.TakeReceived(), c.received);
        EXPECT_EQ(link->LastResponse(), c.last);
    }
    EXPECT_EQ(link->WriteQueueCount(), 2);  // "50" waits for the next command
    EXPECT_EQ(link->BaudRate(), 19200);
    EXPECT_TRUE(HoldsAll(LogText(), {"QUEUED:100X", "QUEUED:200Y"}));
}

// Every one of the 256 characters on its own: the 18 parameter characters
// and the neutral ones (code 0x7B and up) stay queued, unanswered; any other
// character ends a command and is sent, long when its upper case is a long
// letter (its time-out a result), else short (its time-out error 1).
TEST_F(Framing, EveryCharacterByClass) {
    const std::string parameters = "0123456789-+<>$.,;";
    link->SetLongCommands("agkprwxyz");
    link->SetFastIdleTime(1);
    std::string all, expected, seen;
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<char>(code);
        const bool command = code < 0x7B && parameters.find(c) == std::string::npos;
        const bool isLong = command && std::string("AGKPRWXYZI").find(static_cast<char>(std::toupper(code))) !=
                                           std::string::npos;
        expected += !command ? 'q' : isLong ? 'L' : 'S';
        all += c;
        std::int32_t written = 0, r = 0;
        try {
            r = link->StringWriteCommand(plyx::link::WireBytesToText(std::string(1, c)), written, 0);
        } catch (const plyx::link::BoardLinkError& e) {
            r = e.SmallNumber() == 1 ? 1 : 99;
        }
        seen += r == 0 && written == 1 && link->WriteQueueCount() > 0 ? 'q'
                : r == -1 && link->WriteQueueCount() == 0 ? 'L'
                : r == 1 && link->WriteQueueCount() == 0  ? 'S'
                                                           : '?';
    }
    EXPECT_EQ(seen, expected);
    link->CharFlushWriteBuffer();
    EXPECT_TRUE(peer.WaitForReceived(all));
    EXPECT_EQ(peer.TakeReceived(), all);  // each byte as itself
}

TEST_F(Framing, ShortCommandTimeoutIsErrorOneAndLongOnesWaitTheirOwnLimit) {
    link->SetFastIdleTime(300);
    auto e = ErrorOf([&] { link->StringWriteCommandSequence("5q"); });
    EXPECT_EQ(e.Number(), 0x80047531u);
    EXPECT_EQ(e.Source(), "ZentrovaCom.StringWriteCommand");
    EXPECT_EQ(e.Description(),
              "Error 1 reported by ZentrovaCom.StringWriteCommand\r\n"
              "Error was unexpected timeout waiting for command response to <5q> at character <Q>\r\n"
              "Error was associated with board 0 on route '' and port \\\\.\\COM3\r\n"
              "The last response from the board was:\r\n");
    // A long command's time-out is a result, after its own limit, not the short one.
    link->SetLongCommands("kp");
    link->SetFastIdleTime(50);
    std::int32_t written = 0;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(link->StringWriteCommand("3p", written, 400), -1);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(350));
}

TEST_F(Framing, VerboseReplyWithoutLineEndOrEndlessIsErrorFour) {
    link->SetVerboseResponse(true);
    peer.When("H", {Send("H\r\n~")});  // after a line end "~" is in step
    EXPECT_EQ(link->StringWriteCommandSequence("H"), 9);
    peer.When("L", {Send("abc~")});
    auto e = ErrorOf([&] { link->StringWriteCommandSequence("L"); });
    EXPECT_EQ(e.SmallNumber(), 4);
    EXPECT_TRUE(HoldsAll(e.Description(), {"reported by ZentrovaCom.ReadToDone\r\nFailed to synchronize with board\r\n",
                                           "The last response from the board was:\r\nabc~"}));
    peer.When("N", {Send(std::string(70000, 'g'))});  // endless: given up, not hung
    link->StringWrite("N");
    EXPECT_EQ(ErrorOf([&] { link->ReadToDone(1000); }).SmallNumber(), 4);
}

// The status page's round-trip times: each short command that ends with "*"
// is timed once; a long command, a "~" and a local switch are not; the
// bytes on the line are those of an untimed link.
TEST_F(Framing, ShortCommandsAreTimedAndTheLineKeepsItsBytes) {
    std::vector<double> taken;
    link->SetExchangeTimer([&](double seconds) { taken.push_back(seconds); });
    link->SetLongCommands("P");
    const struct {
        const char* seq;
        std::vector<std::pair<const char*, const char*>> replies;
        const char* received;
        std::size_t timed;
    } cases[] = {
        {"100X200Y", {{"100X", "a*"}, {"200Y", "b*"}}, "100X200Y", 2},
        {"1A2B", {{"1A", "~"}}, "1A", 0},
        {"5P", {{"5P", "*"}}, "5P", 0},
        {"/C", {}, "", 0},
        {"7R", {{"7R", "3,4*"}}, "7R", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seq);
        taken.clear();
        for (const auto& [request, reply] : c.replies) peer.When(request, {Send(reply)}, 1);
        link->StringWriteCommandSequence(c.seq);
        EXPECT_EQ(peer.TakeReceived(), c.received);
        ASSERT_EQ(taken.size(), c.timed);
        for (double t : taken) EXPECT_TRUE(t >= 0 && t < 1.0) << t;  // within the short command's limit
    }
}

}  // namespace
