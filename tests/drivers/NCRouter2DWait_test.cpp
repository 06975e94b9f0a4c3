// The 2-axis family's waits: the "h" query, replies read without repairs,
// the family's own error sources and texts, and the wait after queued
// commands. The wait loop both families share is covered in IdleWait_test.
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
    // A failed idle query is asked again only when its letter is a long one.
    void QueryMayFail() {
        link->SetLongCommands("H");
        link->SetVerboseResponse(false);
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

TEST_F(NCRouter2DWaitTest, G4IsMovingWithFourFreePlacesAndOnlyLineEndsArePacked) {
    Identify("dsLynNCRouter2D 1.07");
    Replies({"\r\nG4*"});
    EXPECT_EQ(driver.IdleWait(100), 1);
    EXPECT_EQ(driver.LastQueueCount(), 4);
    EXPECT_EQ(driver.PackedLastResponse(), "G4*");
}

TEST_F(NCRouter2DWaitTest, BareCountIsNoStateReply) {
    // No old-firmware repair on this family: "3*" is not "I3*".
    Replies({"3*"});
    auto e = CatchBoardError([&] { driver.IdleWait(100); });
    EXPECT_EQ(e.SmallNumber(), 4);
    EXPECT_EQ(e.Source(), "NCRouter2D.IdleWait");
    EXPECT_EQ(MessageOf(e),
              "Failed idle synch with board -- expected 'Ix*', 'Px*', 'Sx', 'Gx*', 'Dx*' or 'Ax*', saw 3*");
    EXPECT_EQ(driver.LastWaitType(), -1);
    EXPECT_EQ(driver.LastQueueCount(), 0);
    // The text shows the reply as it came, line ends included.
    Replies({"X5\r\n*"});
    e = CatchBoardError([&] { driver.IdleWait(100); });
    EXPECT_NE(e.Description().find("'Ax*', saw X5\r\n*"), std::string::npos) << e.Description();
}

TEST_F(NCRouter2DWaitTest, FailedQueryIsAskedAgainWithH) {
    QueryMayFail();
    const std::pair<const char*, int> cases[] = {{"P0*", 3}, {"G5*", -1}};
    for (const auto& [second, result] : cases) {
        Edit([&](TwoAxisBoard& b) {
            b.idleReplies = {"", second};
            b.idleQueries = 0;
        });
        EXPECT_EQ(driver.IdleWait(50), result) << second;
        EXPECT_EQ(Queries(), 2) << second;
        std::string sent = Sent();
        EXPECT_EQ(sent.front(), 'h');
        EXPECT_EQ(sent.back(), 'h');
    }
}

TEST_F(NCRouter2DWaitTest, RetriedQueryWithoutStateHasItsOwnText) {
    QueryMayFail();
    Replies({"", "Q1*"});
    auto e = CatchBoardError([&] { driver.IdleWait(50); });
    EXPECT_EQ(e.SmallNumber(), 4);
    EXPECT_EQ(e.Source(), "NCRouter2D.IdleWait");
    EXPECT_EQ(MessageOf(e), "Failed idle synch with board -- expected 'I', 'P', 'G', 'D' or 'A', saw Q1*");
}

TEST_F(NCRouter2DWaitTest, FullyStoppedRaisesForPausedAndStopped) {
    for (const char* reply : {"P0*", "S0*"}) {
        Replies({reply});
        auto e = CatchBoardError([&] { driver.IdleWaitForFullyStopped(); });
        EXPECT_EQ(e.SmallNumber(), 9) << reply;
        EXPECT_EQ(e.Source(), "NCRouter2D.IdleWaitForFullyStopped") << reply;
    }
}

TEST_F(NCRouter2DWaitTest, QueuedCommandWaitsForFullStopByDefault) {
    Replies({"G3*", "I5*"});
    driver.GoToCurrentRequestedLocation();
    EXPECT_EQ(Sent(), "Ghh");
}

TEST_F(NCRouter2DWaitTest, QueuedCommandWithoutReplyRaisesFromTheFamily) {
    driver.SetAutoWaitOnMotionComplete(false);
    link->SetVerboseResponse(false);
    link->SetIdleTime(50);
    Edit([](TwoAxisBoard& b) { b.silentLetters = "G"; });
    Replies({"P0*"});
    auto e = CatchBoardError([&] { driver.GoToCurrentRequestedLocation(); });
    EXPECT_EQ(e.SmallNumber(), 9);
    EXPECT_EQ(e.Source(), "NCRouter2D.SendQueuedCommand");
    EXPECT_EQ(MessageOf(e), "Controller is paused during command 'G'");
}

}  // namespace
}  // namespace plyx::test
