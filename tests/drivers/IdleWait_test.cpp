// The wait for the controller: state replies, polling, time-outs, the
// repairs of old replies, the waits after queued commands and the errors.
#include <gtest/gtest.h>

#include "drivers/WaitReply.h"
#include "tests/drivers/DriverRig.h"
#include "tests/drivers/DriverTestUtil.h"

using plyx::drivers::QM4DNCRouter;
using namespace plyx::test;

namespace {

class IdleWaitTest : public RigTest {
protected:
    void SetUp() override {
        RigTest::SetUp();
        rig.Identified("QM4DNCRouter", "4.71");
    }
    // Counts the idle queries in a wire text.
    static int Queries(const std::string& wire) {
        int n = 0;
        for (char c : wire) n += c == 'h';
        return n;
    }
};

// Time-outs of the board link itself are real; these tests run the driver
// on the real clock with short limits.
// The driver registers a board of its own so that its flush character is
// "~", which the scripted board ignores.
class IdleWaitRealTime : public ::testing::Test {
protected:
    void SetUp() override {
        router.SetAutoWaitOnMotionComplete(false);
        router.DefineRoute("");
        rig.Identified("QM4DNCRouter", "4.71");
    }
    Rig rig{plyx::platform::SystemClock()};
    FakeBoard& board = rig.board;
    QM4DNCRouter& router = rig.router;
};

}  // namespace

TEST_F(IdleWaitTest, MovingWithFullQueuePollsOncePerMillisecondUntilAPlaceFrees) {
    board.On("h", {"G0*"});
    EXPECT_EQ(router.IdleWait(20), -1);
    // Asked at 0, 1, ..., 20 ms on the driver's clock, sleeping 1 ms between.
    EXPECT_EQ(Queries(board.TakeWire()), 21);
    EXPECT_EQ(clock.sleptMs, 20);
    board.On("h", {"G0*", "G0*", "G1*"});
    EXPECT_EQ(router.IdleWait(1000), 1);
    EXPECT_EQ(board.TakeWire(), "hhh");
    EXPECT_EQ(router.LastQueueCount(), 1);
}

TEST_F(IdleWaitTest, ZeroOrNegativeLimitMeansOneSecond) {
    board.On("h", {"A0*"});
    EXPECT_EQ(router.IdleWait(0), -1);
    EXPECT_EQ(clock.sleptMs, 1000);
    EXPECT_EQ(router.IdleWait(-5), -1);
    EXPECT_EQ(clock.sleptMs, 2000);
}

TEST_F(IdleWaitTest, TickCounterWrapDoesNotEndTheWait) {
    clock.ticks = (static_cast<std::int64_t>(0xFFFFFFFFu) - 5) * 1000000;  // 6 ms before the wrap
    board.On("h", {"G0*"});
    EXPECT_EQ(router.IdleWait(20), -1);
    EXPECT_EQ(clock.sleptMs, 20);
}

TEST_F(IdleWaitTest, StateRepliesByFirmware) {
    const struct {
        const char *version, *query, *reply;
        int result, count;
    } cases[] = {
        {"4.71", "h", "\r\n~", 3, 0},  // "~": the board holds its motion
        {"4.71", "h", "*I0*", 0, 0},     // an empty reply is read again
        {"4.71", "h", "G4*", 0, 4},      // old firmware's idle reply
        {"5.02", "h", "G4*", 1, 4},
        {"2.9", "i", "3*", 0, 3},        // the digit form gets the query's letter
    };
    for (const auto& c : cases) {
        rig.Identified("QM4DNCRouter", c.version);
        board.On(c.query, {c.reply});
        EXPECT_EQ(router.IdleWait(100), c.result) << c.reply;
        EXPECT_EQ(router.LastQueueCount(), c.count) << c.reply;
        EXPECT_EQ(board.TakeWire(), c.query) << c.reply;
    }
    // After a G command the digit reply belongs to G: moving with 3 places.
    board.On("G", {"3*"});
    router.GoToCurrentRequestedLocation();
    EXPECT_EQ(router.LastWaitType(), 1);
    EXPECT_EQ(router.LastQueueCount(), 3);
    EXPECT_EQ(router.PackedLastResponse(), "G3*");
}

TEST_F(IdleWaitTest, ReplyThatIsNoStateRaisesError4) {
    board.On("h", {"X5*"});
    auto e = CatchBoardError([&] { router.IdleWait(100); });
    EXPECT_EQ(e.SmallNumber(), 4);
    EXPECT_EQ(e.Source(), "QM4DNCRouter.IdleWait");
    EXPECT_EQ(MessageOf(e),
              "Failed idle synch with board -- expected 'Ix*', 'Px*', 'Sx', 'Gx*' or 'Ax*', saw X5*");
    EXPECT_EQ(router.LastWaitType(), -1);
    EXPECT_EQ(router.LastQueueCount(), 0);
}

TEST_F(IdleWaitTest, IdleTimeIsRestoredOnEveryWayOut) {
    rig.link->SetIdleTime(4321);
    board.On("h", {"I0*"});
    router.IdleWait(100);
    EXPECT_EQ(rig.link->IdleTime(), 4321);
    board.On("h", {"G0*"});
    router.IdleWait(5);
    EXPECT_EQ(rig.link->IdleTime(), 4321);
    board.On("h", {"P0*"});
    EXPECT_THROW(router.IdleWaitForFullyStopped(), plyx::link::BoardLinkError);
    EXPECT_EQ(rig.link->IdleTime(), 4321);
}

TEST_F(IdleWaitTest, FullyStoppedWaitsForIdleAndTrapsPauseAndStop) {
    board.On("h", {"G3*", "G0*", "I0*"});
    router.IdleWaitForFullyStopped();
    EXPECT_EQ(board.TakeWire(), "hhh");

    board.On("h", {"P0*"});
    auto paused = CatchBoardError([&] { router.IdleWaitForFullyStopped(); });
    EXPECT_EQ(paused.SmallNumber(), 9);
    EXPECT_EQ(paused.Source(), "QM4DRouter4D.IdleWaitForFullyStopped");
    EXPECT_EQ(MessageOf(paused), "Controller is paused!");

    board.On("h", {"S0*"});
    auto stopped = CatchBoardError([&] { router.IdleWaitForFullyStopped(); });
    EXPECT_EQ(MessageOf(stopped), "Controller is stopped!");
}

TEST_F(IdleWaitTest, QueuedCommandWithCompleteReplyDoesNotQuery) {
    board.On("G", {"G5*"});
    router.GoToCurrentRequestedLocation();
    EXPECT_EQ(board.TakeWire(), "G");
    EXPECT_EQ(router.LastQueueCount(), 5);
}

TEST_F(IdleWaitTest, QueuedCommandWithoutCompleteReplyTrapsAPausedController) {
    router.DefineRoute("");
    rig.link->SetIdleTime(30);
    board.On("G", {"\r\n"});  // a line end, then nothing more
    board.On("h", {"P0*"});
    auto e = CatchBoardError([&] { router.GoToCurrentRequestedLocation(); });
    EXPECT_EQ(e.SmallNumber(), 9);
    EXPECT_EQ(e.Source(), "QM4DNCRouter.SendQueuedCommand");
    EXPECT_EQ(MessageOf(e), "Controller is paused during command 'G'");
    board.On("h", {"S0*"});
    auto s = CatchBoardError([&] { router.GoToCurrentRequestedLocation(); });
    EXPECT_EQ(MessageOf(s), "Controller is stopped during command 'G'");
    board.On("h", {"G0*", "G2*"});
    router.GoToCurrentRequestedLocation();
    EXPECT_EQ(rig.link->IdleTime(), 30);
    // A board that accepts more commands needs no second question.
    board.TakeWire();
    board.On("h", {"A3*", "I0*"});
    router.GoToCurrentRequestedLocation();
    EXPECT_EQ(Queries(board.TakeWire()), 1);
}

// Without verbose replies a silent read is a plain time-out, so only the
// driver's own bound ends these waits.
TEST_F(IdleWaitRealTime, OldFirmwareIncompleteReplyIsDecidedWithoutAsking) {
    rig.Identified("QM4DNCRouter", "2.9");
    const std::pair<const char*, int> cases[] = {{"I0\r\n", 0}, {"G0\r\n", -1}, {"A3\r\n", -1},
                                                 {"P0\r\n", 3}, {"S1\r\n", 4}};
    for (const auto& [reply, result] : cases) {
        board.On("i", {reply});
        EXPECT_EQ(router.IdleWait(30), result) << reply;
        EXPECT_EQ(board.TakeWire(), "i~") << reply;  // the query, then the flush character
    }
    board.On("i", {"Z9\r\n"});
    auto e = CatchBoardError([&] { router.IdleWait(30); });
    EXPECT_EQ(e.SmallNumber(), 4);
    EXPECT_EQ(MessageOf(e), "Failed idle synch with board -- expected 'I', 'P', 'G' or 'A', saw Z9");
    // Empty replies end as a time-out here too.
    rig.link->SetVerboseResponse(false);
    board.On("i", {"*"});
    EXPECT_EQ(router.IdleWait(30), -1);
}

TEST_F(IdleWaitRealTime, SilentBoardOnNewFirmwareIsTheLinksTimeOutError) {
    rig.link->SetVerboseResponse(false);
    rig.link->SetFastIdleTime(30);
    rig.link->SetIdleTime(4321);
    board.On("h", {FakeBoard::kSilence});
    auto e = CatchBoardError([&] { router.IdleWait(30); });
    EXPECT_EQ(e.SmallNumber(), 1);
    EXPECT_EQ(rig.link->IdleTime(), 4321);
}

TEST_F(IdleWaitRealTime, VerboseBoardThatFallsSilentIsASyncError) {
    rig.link->SetIdleTime(4321);
    board.On("h", {"*"});
    auto e = CatchBoardError([&] { router.IdleWait(30); });
    EXPECT_EQ(e.SmallNumber(), 4);
    EXPECT_EQ(e.Source(), "ZentrovaCom.ReadToDone");
    EXPECT_EQ(rig.link->IdleTime(), 4321);
}

TEST_F(IdleWaitRealTime, BoardOfEmptyRepliesEndsAsTimeOut) {
    rig.link->SetVerboseResponse(false);
    board.On("h", {"*"});
    EXPECT_EQ(router.IdleWait(30), -1);
    EXPECT_EQ(router.LastWaitType(), plyx::drivers::kWaitEmpty);
    std::vector<PeerStep> flood;
    for (int i = 0; i < 150; ++i) {
        flood.push_back(Send("**"));
        flood.push_back(Pause(1));
    }
    board.Peer().When("h", flood);
    EXPECT_EQ(router.IdleWait(30), -1);
}
