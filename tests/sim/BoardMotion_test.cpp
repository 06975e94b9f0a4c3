// The move queue in board time: fill and drain, pause, resume, stop,
// reset, underruns, limit trips, old firmware's short state replies and
// auto-start.
#include <gtest/gtest.h>

#include "BoardTestUtil.h"

namespace plyx::sim::test {
namespace {

// Queues one X move of `steps` at the current rate and returns the reply.
std::string QueueX(Board& b, int steps) { return Say(b, Bytes({0xA0 | ((steps >> 8) & 15), steps & 255}) + "G"); }

TEST(BoardQueue, FillsAndDrainsAtTheRunRate) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0, 5);
    Say(*b, "1000R");
    EXPECT_EQ(QueueX(*b, 1000), "*G4*");
    EXPECT_EQ(QueueX(*b, 500), "*G3*");
    EXPECT_EQ(b->State().queueFill, 2);
    b->Advance(0.5);
    EXPECT_EQ(b->State().position[kX], 500);
    EXPECT_EQ(Say(*b, "h"), "G3*");
    b->Advance(0.5);  // first move done, second starts
    EXPECT_EQ(b->State().position[kX], 1000);
    EXPECT_EQ(Say(*b, "h"), "G4*");
    b->Advance(0.6);
    EXPECT_EQ(b->State().position[kX], 1500);
    EXPECT_EQ(Say(*b, "h"), "I5*");
}

TEST(BoardQueue, DurationUsesTheLargestAxisAndTheRateMagnitude) {
    auto b = MakeBoard("VT2D20NCRouter", "1.0", 1.0);
    Say(*b, "-200R100x-400yG");
    b->Advance(1.99);
    EXPECT_EQ(Say(*b, "h"), "G29*");
    b->Advance(0.02);
    EXPECT_EQ(Say(*b, "h"), "I30*");
    EXPECT_EQ(b->State().position[kY], -400);
}

TEST(BoardQueue, FullQueueRefusesTheMoveAndRecordsNothing) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0, 2);
    Say(*b, "10R");
    QueueX(*b, 100);
    QueueX(*b, 100);
    EXPECT_EQ(QueueX(*b, 100), "*G0*");
    EXPECT_EQ(b->Moves().size(), 2u);
    EXPECT_EQ(b->State().counters.refusedMoves, 1u);
}

TEST(BoardRunState, PauseHoldsMidMoveAndResumeFinishes) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0);
    Say(*b, "100R");
    QueueX(*b, 100);
    b->Advance(0.25);
    EXPECT_EQ(Say(*b, "q"), "P29*");
    b->Advance(10);
    EXPECT_EQ(b->State().position[kX], 25);
    Talk(*b, {{"h", "P29*"}, {"r", "G29*"}});
    b->Advance(0.75);
    EXPECT_EQ(Say(*b, "h"), "I30*");
    EXPECT_EQ(b->State().position[kX], 100);
}

TEST(BoardRunState, StopDropsTheQueueAndReportsTheAbort) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0);
    // Idle, it answers with the state, and resume lets it go again.
    Talk(*b, {{"Q", "S30*"}, {"r", "I30*"}});
    Say(*b, "100R");
    QueueX(*b, 100);
    QueueX(*b, 100);
    b->Advance(0.5);
    Talk(*b, {{"Q", "\r\n~"}, {"h", "S30*"}});
    EXPECT_EQ(b->State().position[kX], 50);
    // A stopped board takes no moves until it is reset or resumed.
    EXPECT_EQ(QueueX(*b, 10), "*S30*");
    EXPECT_EQ(b->State().counters.refusedMoves, 1u);
    // Reset empties the queue and restores the power-up settings.
    Say(*b, "50P20K");
    Talk(*b, {{"0!", "*"}, {"h", "I30*"}});
    EXPECT_EQ(b->State().rampRate, 0);
    EXPECT_EQ(b->State().stopOkRate, 0);
    EXPECT_EQ(QueueX(*b, 10), "*G29*");
}

// The record follows each move to its end, also across a cleared record.
TEST(BoardRunState, RecordMarksEachMoveRunQueuedOrDropped) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0);
    auto marks = [&] {
        std::string out;
        for (const MoveRecord& m : b->Moves()) out += "qrd"[m.status];
        return out;
    };
    Say(*b, "100R");
    for (int i = 0; i < 3; ++i) QueueX(*b, 100);
    b->Advance(1.5);
    EXPECT_EQ(marks(), "rqq");
    b->ClearMoves();
    QueueX(*b, 100);
    b->Advance(0.6);  // the second move ends outside the record
    Say(*b, "Q");     // the running move is dropped with the rest
    EXPECT_EQ(marks(), "d");
    EXPECT_NE(b->State().ToLine().find(" ran=2 dropped=2"), std::string::npos);
}

TEST(BoardRunState, QueuedPauseAndDwellOnExtendedFirmware) {
    auto b = MakeBoard("QM4DNCRouter", "5.02", 1.0);
    Say(*b, "100R");
    Say(*b, "-2000000p");  // two seconds of dwell
    EXPECT_EQ(Say(*b, "h"), "A29*");
    b->Advance(2.0);
    Say(*b, "-0q");
    b->Advance(0);
    EXPECT_EQ(Say(*b, "h"), "P30*");
}

TEST(BoardUnderruns, CountedWhenTheQueueRanDryBetweenMovesOnly) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0);
    Say(*b, "100R");
    QueueX(*b, 100);
    QueueX(*b, 100);
    b->Advance(1.5);
    QueueX(*b, 100);  // in time: the queue never ran dry
    EXPECT_EQ(b->State().counters.underruns, 0u);
    b->Advance(5);    // dry
    QueueX(*b, 100);
    EXPECT_EQ(b->State().counters.underruns, 1u);
    // Not counted for the final drain of a stream that ends in a stop or reset.
    b->Advance(5);
    Say(*b, "Q0!");
    Say(*b, "100R");
    QueueX(*b, 100);  // a new stream
    EXPECT_EQ(b->State().counters.underruns, 1u);
}

TEST(BoardLimits, TrippedLimitPausesMotionAndTheIdleQueryReportsTildeUnlessBlocked) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0);
    Say(*b, "100R");
    QueueX(*b, 100);
    b->SetLimitInputs(0x01);
    Talk(*b, {{"h", "\r\n~"}, {"h", "P29*"}});
    auto blocked = MakeBoard("QM4DNCRouter", "4.71", 1.0);
    Say(*blocked, "1T100R");
    QueueX(*blocked, 100);
    blocked->SetLimitInputs(0x01);
    EXPECT_EQ(Say(*blocked, "h"), "G29*");
}

TEST(BoardOldFirmware, IdleQueryAnswersTheShortDigitForm) {
    auto b = MakeBoard("QM4DNCRouter", "2.14", 1.0);
    EXPECT_EQ(Say(*b, "i"), "9*");  // one-digit counter: no more than 9 places
    EXPECT_EQ(b->State().capacity, 9);
    Say(*b, "100R");
    EXPECT_EQ(QueueX(*b, 100), "*8*");  // letter left out after a queued command
    Talk(*b, {{"i", "G8*"}, {"q", "P8*"}, {"i", "P8*"}});  // moving or paused: the full form
    // The newer query letter always has the full form.
    Say(*b, "r");
    b->Advance(5);
    EXPECT_EQ(Say(*b, "h"), "I9*");
    // Small queue counts are exact.
    auto small = MakeBoard("QM4DNCRouter", "2.10", 1.0, 4);
    Say(*small, "100R");
    EXPECT_EQ(Say(*small, "i"), "4*");
    EXPECT_EQ(QueueX(*small, 100), "*3*");
}

TEST(BoardAutoStart, ClosesStartWhenTheProgramWaitsAndLetsGoWhenTheRunBegins) {
    SimOptions o;
    o.autoStart = true;
    auto b = Board::Create(o);
    Say(*b, "255F9E");  // START lamp lit before identification: not yet
    EXPECT_EQ(b->State().switchesClosed, 0);
    Say(*b, "-12?");
    Say(*b, "0E9E");
    EXPECT_EQ(b->State().switchesClosed, static_cast<int>(Switch::Start));
    EXPECT_EQ(Say(*b, "7?"), "X,7,254\r\n*");
    Say(*b, "0!");  // the run resets the board: lamps off
    EXPECT_EQ(b->State().switchesClosed, 0);
    Say(*b, "9E");  // once only
    EXPECT_EQ(b->State().switchesClosed, 0);
}

TEST(BoardParam, LastNumberSignsAndQueuePrefix) {
    EXPECT_EQ(ParseParam("0-1200").value, -1200);  // a flush "0" before a command
    EXPECT_EQ(ParseParam("12,34").value, 34);
    EXPECT_EQ(ParseParam("99999999999").value, 2147483647);
    EXPECT_FALSE(ParseParam("").present);
    Param q = ParseParam("--5");
    EXPECT_TRUE(q.queuePrefix);
    EXPECT_EQ(q.queuedValue, -5);
    EXPECT_EQ(q.value, 5);
}

TEST(BoardRobustness, ArbitraryBytesNeverBreakTheEngine) {
    auto b = MakeBoard("QM4DNCRouter", "5.02", 0.5);
    uint32_t x = 12345;
    std::string junk;
    for (int i = 0; i < 20000; ++i) {
        x = x * 1103515245 + 12345;
        junk.push_back(static_cast<char>(x >> 16));
    }
    b->Receive(junk);
    b->Advance(1e6);
    b->Receive("  ");  // the first may complete a half delta
    b->TakeReplies();
    Talk(*b, {{"!", "*"}, {"h", "I30*"}});
}

}  // namespace
}  // namespace plyx::sim::test
