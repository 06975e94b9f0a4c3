// The 2-axis family's waits: the "h" query, replies read without repairs,
// the family's own error sources and texts, and the wait after queued
// commands.
#include "tests/drivers/NCRouter2DFixture.h"

namespace plyx::test {
namespace {

class NCRouter2DWaitTest : public NCRouter2DPeerTest {
protected:
    void Replies(std::deque<std::string> replies) {
        Edit([&](TwoAxisBoard& b) { b.idleReplies = std::move(replies); });
    }
    int Queries() {
        int n = 0;
        Edit([&](TwoAxisBoard& b) { n = b.idleQueries; });
        return n;
    }
    // Runs f, which must raise a board-link error; returns it.
    template <class F>
    link::BoardLinkError Raised(F f) {
        try {
            f();
        } catch (const link::BoardLinkError& e) {
            return e;
        }
        ADD_FAILURE() << "no error raised";
        return link::BoardLinkError(0, "", "");
    }
};

TEST_F(NCRouter2DWaitTest, EachStateLetterGivesItsResult) {
    const struct {
        const char* reply;
        int result, type, count;
    } cases[] = {{"I0*", 0, 0, 0}, {"G2*", 1, 1, 2}, {"D3*", 1, 1, 3},
                 {"A1*", 2, 2, 1}, {"P0*", 3, 3, 0}, {"S0*", 4, 4, 0}};
    for (const auto& c : cases) {
        Replies({c.reply});
        EXPECT_EQ(driver.IdleWait(100), c.result) << c.reply;
        EXPECT_EQ(driver.LastWaitType(), c.type) << c.reply;
        EXPECT_EQ(driver.LastQueueCount(), c.count) << c.reply;
        EXPECT_EQ(Sent(), "h") << c.reply;
    }
}

TEST_F(NCRouter2DWaitTest, G4IsMovingWithFourFreePlaces) {
    Identify("dsLynNCRouter2D 1.07");
    Replies({"G4*"});
    EXPECT_EQ(driver.IdleWait(100), 1);
    EXPECT_EQ(driver.LastQueueCount(), 4);
    EXPECT_EQ(driver.PackedLastResponse(), "G4*");
}

TEST_F(NCRouter2DWaitTest, PackedReplyOnlyLosesLineEnds) {
    Replies({"\r\nI7*"});
    EXPECT_EQ(driver.IdleWait(100), 0);
    EXPECT_EQ(driver.PackedLastResponse(), "I7*");
}

TEST_F(NCRouter2DWaitTest, BareCountIsNoStateReply) {
    // No old-firmware repair on this family: "3*" is not "I3*".
    Replies({"3*"});
    link::BoardLinkError e = Raised([&] { driver.IdleWait(100); });
    EXPECT_EQ(e.SmallNumber(), 4);
    EXPECT_EQ(e.Source(), "NCRouter2D.IdleWait");
    EXPECT_NE(e.Description().find("Failed idle synch with board -- expected 'Ix*', 'Px*', 'Sx', 'Gx*', "
                                   "'Dx*' or 'Ax*', saw 3*"),
              std::string::npos)
        << e.Description();
    EXPECT_EQ(driver.LastWaitType(), -1);
    EXPECT_EQ(driver.LastQueueCount(), 0);
}

TEST_F(NCRouter2DWaitTest, ErrorShowsTheRawReplyAndRestoresIdleTime) {
    link->SetIdleTime(4321);
    Replies({"X5\r\n*"});
    link::BoardLinkError e = Raised([&] { driver.IdleWait(100); });
    EXPECT_NE(e.Description().find("'Ax*', saw X5\r\n*"), std::string::npos) << e.Description();
    EXPECT_EQ(link->IdleTime(), 4321);
}

TEST_F(NCRouter2DWaitTest, MovingWithNoFreePlaceAsksAgainUntilTheLimit) {
    Replies({"G0*"});
    EXPECT_EQ(driver.IdleWait(20), -1);
    // One query per millisecond of the (fake) clock, plus the first.
    EXPECT_GE(Queries(), 20);
    EXPECT_LE(Queries(), 22);
    EXPECT_EQ(link->IdleTime(), 300);
}

TEST_F(NCRouter2DWaitTest, MovingThenFreeEndsTheWait) {
    Replies({"G0*", "G0*", "G2*"});
    EXPECT_EQ(driver.IdleWait(1000), 1);
    EXPECT_EQ(Queries(), 3);
    EXPECT_EQ(Sent(), "hhh");
}

TEST_F(NCRouter2DWaitTest, TildeReadsAsPaused) {
    // (A verbose board's reply must carry a line end before the "~".)
    Replies({"\r\n~"});
    EXPECT_EQ(driver.IdleWait(100), 3);
}

TEST_F(NCRouter2DWaitTest, FailedQueryIsAskedAgainWithH) {
    // The idle query only goes unanswered without an error when its letter
    // is a long one on this link.
    link->SetLongCommands("H");
    link->SetVerboseResponse(false);
    Replies({"", "P0*"});
    EXPECT_EQ(driver.IdleWait(50), 3);
    std::string sent = Sent();
    EXPECT_EQ(sent.front(), 'h');
    EXPECT_EQ(sent.back(), 'h');
    EXPECT_EQ(Queries(), 2);
}

TEST_F(NCRouter2DWaitTest, RetriedQueryStillMovingIsATimeOut) {
    link->SetLongCommands("H");
    link->SetVerboseResponse(false);
    Replies({"", "G5*"});
    EXPECT_EQ(driver.IdleWait(50), -1);
}

TEST_F(NCRouter2DWaitTest, RetriedQueryWithoutStateHasItsOwnText) {
    link->SetLongCommands("H");
    link->SetVerboseResponse(false);
    Replies({"", "Q1*"});
    link::BoardLinkError e = Raised([&] { driver.IdleWait(50); });
    EXPECT_EQ(e.SmallNumber(), 4);
    EXPECT_EQ(e.Source(), "NCRouter2D.IdleWait");
    EXPECT_NE(e.Description().find("Failed idle synch with board -- expected 'I', 'P', 'G', 'D' or 'A', saw Q1*"),
              std::string::npos)
        << e.Description();
}

TEST_F(NCRouter2DWaitTest, FullyStoppedWaitsForIdle) {
    Replies({"G3*", "G1*", "I9*"});
    driver.IdleWaitForFullyStopped();
    EXPECT_EQ(Queries(), 3);
}

TEST_F(NCRouter2DWaitTest, FullyStoppedRaisesForPausedAndStopped) {
    Replies({"P0*"});
    link::BoardLinkError paused = Raised([&] { driver.IdleWaitForFullyStopped(); });
    EXPECT_EQ(paused.SmallNumber(), 9);
    EXPECT_EQ(paused.Source(), "NCRouter2D.IdleWaitForFullyStopped");
    EXPECT_NE(paused.Description().find("Controller is paused!"), std::string::npos);
    Replies({"S0*"});
    link::BoardLinkError stopped = Raised([&] { driver.IdleWaitForFullyStopped(); });
    EXPECT_EQ(stopped.Source(), "NCRouter2D.IdleWaitForFullyStopped");
    EXPECT_NE(stopped.Description().find("Controller is stopped!"), std::string::npos);
}

TEST_F(NCRouter2DWaitTest, QueuedCommandWaitsForFullStopByDefault) {
    Replies({"G3*", "I5*"});
    driver.GoToCurrentRequestedLocation();
    EXPECT_EQ(Sent(), "Ghh");
}

TEST_F(NCRouter2DWaitTest, QueuedCommandWithCompleteReplyDoesNotWait) {
    driver.SetAutoWaitOnMotionComplete(false);
    Edit([](TwoAxisBoard& b) { b.replies['G'] = "G5*"; });
    driver.GoToCurrentRequestedLocation();
    EXPECT_EQ(Sent(), "G");
    EXPECT_EQ(driver.LastQueueCount(), 5);
    EXPECT_EQ(Queries(), 0);
}

TEST_F(NCRouter2DWaitTest, QueuedCommandWithoutReplyRaisesFromTheFamily) {
    driver.SetAutoWaitOnMotionComplete(false);
    link->SetVerboseResponse(false);
    link->SetIdleTime(50);
    Edit([](TwoAxisBoard& b) { b.silentLetters = "G"; });
    Replies({"P0*"});
    link::BoardLinkError e = Raised([&] { driver.GoToCurrentRequestedLocation(); });
    EXPECT_EQ(e.SmallNumber(), 9);
    EXPECT_EQ(e.Source(), "NCRouter2D.SendQueuedCommand");
    EXPECT_NE(e.Description().find("Controller is paused during command 'G'"), std::string::npos);

    Edit([](TwoAxisBoard& b) { b.silentLetters = "D"; });
    Replies({"S0*"});
    e = Raised([&] { driver.QueueRelaySet(1); });
    EXPECT_NE(e.Description().find("Controller is stopped during command 'D'"), std::string::npos)
        << e.Description();
}

TEST_F(NCRouter2DWaitTest, QueuedCommandWithoutReplyGoesOnWhenTheBoardMoves) {
    driver.SetAutoWaitOnMotionComplete(false);
    link->SetVerboseResponse(false);
    link->SetIdleTime(50);
    Edit([](TwoAxisBoard& b) { b.silentLetters = "G"; });
    Replies({"G2*"});
    driver.GoToCurrentRequestedLocation();
    EXPECT_EQ(Queries(), 1);
}

}  // namespace
}  // namespace plyx::test
