// The move queue in board time: fill and drain, pause, resume, stop,
// reset, underruns, limit trips and old firmware's short state replies.
#include <gtest/gtest.h>

#include "BoardTestUtil.h"

namespace plyx::sim::test {
namespace {

// Queues one X move of `steps` at the current rate and returns the reply.
std::string QueueX(Board& b, int steps) { return Say(b, Bytes({0xA0 | ((steps >> 8) & 15), steps & 255}) + "G"); }

TEST(BoardQueue, FillsAndDrainsAtTheRunRateOfTheLargestAxisAndAFullQueueRefuses) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0, 3);
    Say(*b, "1000R");
    std::string replies;
    for (int steps : {1000, 500, 100, 100}) replies += QueueX(*b, steps);
    EXPECT_EQ(replies, "*G2**G1**G0**G0*");
    EXPECT_EQ(StateOf(*b, "fill refused"), "fill=3 refused=1");
    EXPECT_EQ(b->Moves().size(), 3u);
    for (const auto& [seconds, reply, state] : {std::tuple(0.5, "G0*", "x=500 fill=3"), {0.5, "G1*", "x=1000 fill=2"},
                                                 {0.7, "I3*", "x=1600 fill=0"}}) {
        b->Advance(seconds);  // the first move ends after one second, the second starts
        EXPECT_EQ(Say(*b, "h"), reply);
        EXPECT_EQ(StateOf(*b, "x fill"), state);
    }
    auto two = MakeBoard("VT2D20NCRouter", "1.0", 1.0);
    Say(*two, "-200R100x-400yG");  // 400 steps at 200 a second
    two->Advance(1.99);
    EXPECT_EQ(Say(*two, "h"), "G29*");
    two->Advance(0.02);
    EXPECT_EQ(Say(*two, "h"), "I30*");
    EXPECT_EQ(StateOf(*two, "y"), "y=-400");
}

TEST(BoardQueue, PauseHoldsMidMoveStopDropsTheQueueAndResetRestoresPowerUp) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0);
    Talk(*b, {{"Q", "S30*"}, {"r", "I30*"}});  // idle, a stop answers with the state
    Say(*b, "100R");
    QueueX(*b, 100);
    b->Advance(0.25);
    EXPECT_EQ(Say(*b, "q"), "P29*");
    b->Advance(10);
    EXPECT_EQ(StateOf(*b, "x"), "x=25");
    Talk(*b, {{"h", "P29*"}, {"r", "G29*"}});
    b->Advance(0.75);
    EXPECT_EQ(Say(*b, "h"), "I30*");
    QueueX(*b, 100);
    QueueX(*b, 100);
    b->Advance(0.5);
    Talk(*b, {{"Q", "\r\n~"}, {"h", "S30*"}});
    EXPECT_EQ(StateOf(*b, "x"), "x=150");
    // A stopped board takes no moves until it is reset or resumed.
    EXPECT_EQ(QueueX(*b, 10), "*S30*");
    EXPECT_EQ(StateOf(*b, "refused"), "refused=1");
    Say(*b, "50P20K");
    Talk(*b, {{"0!", "*"}, {"h", "I30*"}});
    EXPECT_EQ(StateOf(*b, "ramp_rate stop_ok_rate"), "ramp_rate=0 stop_ok_rate=0");
    EXPECT_EQ(QueueX(*b, 10), "*G29*");
}

// The record follows each move to its end, also across a cleared record.
TEST(BoardQueue, RecordMarksEachMoveRunQueuedOrDropped) {
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
    EXPECT_EQ(StateOf(*b, "ran dropped"), "ran=2 dropped=2");
}

// A board that restarts by itself keeps its position counters; one whose
// power went off and on starts from zero, keeping only its EEPROM. Either
// way the queue is gone, nothing is answered, the half-received command is
// lost, and the cut is counted as what it was, not as a reset received.
TEST(BoardQueue, RestartKeepsThePositionPowerCycleClearsItAndBothDropTheQueue) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0);
    Say(*b, "100R");
    for (int i = 0; i < 3; ++i) QueueX(*b, 100);
    b->Advance(1.5);
    Say(*b, "1V20K5O123456789e3O");  // polarities 5 saved, 3 in force
    b->Latch(1);
    Say(*b, "7");
    b->Restart();
    EXPECT_TRUE(b->TakeReplies().empty());
    EXPECT_EQ(StateOf(*b, "x fill verbose run_rate stop_ok_rate latched resets restarts power_cycles"),
              "x=150 fill=0 verbose=0 run_rate=1000 stop_ok_rate=0 latched=1 resets=0 restarts=1 power_cycles=0");
    Talk(*b, {{"h", "I30*"}, {"-17?", "X,-17,5\r\n*"}, {"100R", "*"}});
    EXPECT_EQ(StateOf(*b, "run_rate"), "run_rate=100");  // not 7100

    QueueX(*b, 100);
    QueueX(*b, 100);
    b->Advance(1.5);
    Say(*b, "1V7H65536e42e3O");  // backlash 7, EEPROM cell 0 = 42
    Say(*b, "7");
    b->PowerCycle();
    EXPECT_TRUE(b->TakeReplies().empty());
    EXPECT_EQ(StateOf(*b, "x fill verbose run_rate latched resets restarts power_cycles"),
              "x=0 fill=0 verbose=0 run_rate=1000 latched=0 resets=0 restarts=1 power_cycles=1");
    Talk(*b, {{"h", "I30*"}, {"-1?", "X,-1,0\r\n*"}, {"-4?", "X,-4,0\r\n*"}, {"-17?", "X,-17,5\r\n*"},
              {"-18?", "X,-18,0\r\n*"}, {"16384?", "X,16384,42\r\n*"}, {"100R", "*"}});
    QueueX(*b, 100);  // counted from the cleared position
    b->Advance(1);
    EXPECT_EQ(StateOf(*b, "x fill"), "x=100 fill=0");

    // The 2-axis microstep size set by a reset lasts until the power goes.
    auto two = MakeBoard("VT2D20NCRouter", "1.0");
    Say(*two, "4!50xGh");
    two->Restart();
    Talk(*two, {{"-14?", "X,-14,4\r\n*"}, {"-1?", "X,-1,50\r\n*"}});
    two->PowerCycle();
    Talk(*two, {{"-14?", "X,-14,16\r\n*"}, {"-1?", "X,-1,0\r\n*"}});
}

// The record of moves runs on through restarts and power cycles: what ran
// before a cut, what the cut threw away (the running move too) and what ran
// after, each move with the number of cuts before it was accepted, which a
// cleared record does not start again.
TEST(BoardQueue, RecordSpansRestartsAndPowerCyclesAndNumbersTheBoots) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0);
    auto record = [&] {
        std::string out;
        for (const MoveRecord& m : b->Moves()) out += "qrd"[m.status] + std::to_string(m.boot) + " ";
        return out;
    };
    Say(*b, "100R");
    for (int i = 0; i < 3; ++i) QueueX(*b, 100);
    b->Advance(1.5);
    b->Restart();
    Say(*b, "100R");
    QueueX(*b, 100);
    QueueX(*b, 100);
    b->Advance(0.5);
    b->PowerCycle();
    Say(*b, "100R");
    QueueX(*b, 50);
    b->Advance(1);
    EXPECT_EQ(record(), "r0 d0 d0 d1 d1 r2 ");
    EXPECT_EQ(StateOf(*b, "x ran dropped restarts power_cycles"), "x=50 ran=2 dropped=4 restarts=1 power_cycles=1");
    b->ClearMoves();
    b->Restart();
    QueueX(*b, 10);
    EXPECT_EQ(record(), "q3 ");
}

TEST(BoardQueue, QueuedPauseAndDwellOnExtendedFirmware) {
    auto b = MakeBoard("QM4DNCRouter", "5.02", 1.0);
    // A queued output change takes a place too.
    Talk(*b, {{"100R", "*"}, {"100x750G", "*G29*"}, {"12000m", "G29*"}, {"-5E", "G28*"}, {"300k", "G28*"}});
    EXPECT_EQ(b->State().runRate, 300);
    b->Advance(10);
    Talk(*b, {{"-2000000p", "A29*"}, {"h", "A29*"}});  // two seconds of dwell
    b->Advance(2.0);
    Say(*b, "-0q");
    b->Advance(0);
    EXPECT_EQ(Say(*b, "h"), "P30*");
}

TEST(BoardQueue, UnderrunsAreCountedWhenTheQueueRanDryBetweenMovesOnly) {
    auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0);
    Say(*b, "100R");
    QueueX(*b, 100);
    QueueX(*b, 100);
    b->Advance(1.5);
    QueueX(*b, 100);  // in time: the queue never ran dry
    EXPECT_EQ(StateOf(*b, "underruns"), "underruns=0");
    b->Advance(5);    // dry
    QueueX(*b, 100);
    EXPECT_EQ(StateOf(*b, "underruns"), "underruns=1");
    // Not counted for the final drain of a stream that ends in a stop or reset.
    b->Advance(5);
    Say(*b, "Q0!100R");
    QueueX(*b, 100);
    EXPECT_EQ(StateOf(*b, "underruns"), "underruns=1");
}

TEST(BoardQueue, TrippedLimitPausesAndTheIdleQueryReportsTildeUnlessBlocked) {
    for (bool blocked : {false, true}) {
        auto b = MakeBoard("QM4DNCRouter", "4.71", 1.0);
        Say(*b, blocked ? "1T100R" : "100R");
        QueueX(*b, 100);
        b->SetLimitInputs(0x01);
        if (blocked) EXPECT_EQ(Say(*b, "h"), "G29*");
        else Talk(*b, {{"h", "\r\n~"}, {"h", "P29*"}});
    }
}

TEST(BoardQueue, OldFirmwareAnswersTheIdleQueryInTheShortDigitForm) {
    auto b = MakeBoard("QM4DNCRouter", "2.14", 1.0);
    EXPECT_EQ(Say(*b, "i"), "9*");  // one-digit counter: no more than 9 places
    Say(*b, "100R");
    EXPECT_EQ(QueueX(*b, 100), "*8*");  // letter left out after a queued command
    Talk(*b, {{"i", "G8*"}, {"q", "P8*"}, {"i", "P8*"}});  // moving or paused: the full form
    Say(*b, "r");
    b->Advance(5);
    EXPECT_EQ(Say(*b, "h"), "I9*");  // the newer letter always has the full form
    auto small = MakeBoard("QM4DNCRouter", "2.10", 1.0, 4);
    Say(*small, "100R");
    EXPECT_EQ(Say(*small, "i"), "4*");
    EXPECT_EQ(QueueX(*small, 100), "*3*");
}

}  // namespace
}  // namespace plyx::sim::test
