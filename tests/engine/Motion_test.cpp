// Line moves, segmented moves, the stop sequence and the controller's
// preparation, on a recording fake controller.
#include <gtest/gtest.h>

#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

class MotionTest : public EngineTest {
protected:
    MotionTest() {
        engine->ComputeRunConstants();
        engine->InitializeController();
        globals.RunState = kRunRunning;
        from = ctl.calls.size();
    }
    // Controller calls since the fixture's set-up with one of these names.
    std::vector<std::string> CallsNamed(std::initializer_list<const char*> names) const {
        std::vector<std::string> out;
        for (std::size_t i = from; i < ctl.calls.size(); ++i)
            for (const char* name : names)
                if (ctl.calls[i].rfind(std::string(name) + "(", 0) == 0) out.push_back(ctl.calls[i]);
        return out;
    }
    std::size_t from = 0;
};

TEST_F(MotionTest, LongLineMoveIsCutAtTheFasterMotorsRate) {
    engine->LineMove(3251.5483964654327, -3251.5483964654327, 387);
    EXPECT_EQ(ctl.moves, (std::vector<QueuedMove>{{1626, -1626, -2737}, {1626, -1626, -2737}}));
    EXPECT_EQ(globals.zLastRate, 2737);
    EXPECT_NEAR(globals.TotalQueuedDistance, 3251.5483964654327 * 1.1033779189624915, 1e-9);
}

TEST_F(MotionTest, ControllerSeesRateThenDeltasThenGo) {
    engine->SegmentedMove(100, -50, 1234, 100);
    EXPECT_EQ(CallsNamed({"SetControllerRunRate", "SetRequestedDelta", "GoToRequested"}),
              (std::vector<std::string>{"SetControllerRunRate(-1234)", "SetRequestedDelta(100,1)",
                                              "SetRequestedDelta(-50,2)", "GoToRequested()"}));
}

TEST_F(MotionTest, SegmentBoundaries) {
    const struct {
        std::int32_t x, y;
        std::vector<QueuedMove> sent;
    } cases[] = {{2047, 0, {{2047, 0, -10}}},
                 {0, 2048, {{0, 1024, -10}, {0, 1024, -10}}},
                 {4093, -1, {{1364, 0, -10}, {1364, 0, -10}, {1365, -1, -10}}},
                 {-5000, 7, {{-1666, 2, -10}, {-1667, 2, -10}, {-1667, 3, -10}}}};
    for (const auto& c : cases) {
        ctl.moves.clear();
        engine->SegmentedMove(c.x, c.y, 10, 1);
        EXPECT_EQ(ctl.moves, c.sent) << c.x;
    }
}

TEST_F(MotionTest, SegmentsShareTheRealDistanceAndEachFillsARingEntry) {
    engine->SegmentedMove(4093, 0, 10, 9);
    EXPECT_EQ(globals.Ring.idNextDistance, 3);
    EXPECT_EQ(globals.Ring.DistanceAt(0), 3);
    EXPECT_EQ(globals.Ring.DistanceAt(1), 6);
    EXPECT_EQ(globals.Ring.DistanceAt(2), 9);
}

TEST_F(MotionTest, ZeroTinyAndHalfStepMoves) {
    engine->LineMove(0, 0, 387);
    EXPECT_TRUE(ctl.moves.empty());
    engine->LineMove(0.3, -0.4, 100);
    engine->LineMove(2.5, -3.5, 100);  // halves round to even
    EXPECT_EQ(ctl.moves, (std::vector<QueuedMove>{{0, 0, -800}, {2, -4, -814}}));
}

TEST_F(MotionTest, MoveBeyondWhatTheControllerCanCarryAbortsTheRun) {
    for (auto [dx, rate] : {std::pair{3e9, 100.0}, {1.0, 1e12}}) {
        globals.RunState = kRunRunning;
        engine->LineMove(dx, 1, rate);
        EXPECT_EQ(globals.RunState, kRunAbortRequested) << dx;
    }
    // While an abort is pending nothing moves at all.
    engine->LineMove(100, 100, 100);
    engine->SegmentedMove(100, 100, 100, 100);
    EXPECT_TRUE(ctl.moves.empty());
    EXPECT_TRUE(ctl.CallsStartingWith("SetControllerRunRate", from).empty());
}

TEST_F(MotionTest, StopSequenceSlowsDownFromTheLastRate) {
    globals.zLastRate = 2737;
    engine->StopSequence();
    // (2737 - 80) * (80 + 2737) / 16000 = 467.798...; half 233.9 -> 234.
    EXPECT_EQ(ctl.moves, (std::vector<QueuedMove>{{10, -10, -80}, {234, -234, -80}, {234, -234, -80}}));
    EXPECT_EQ(CallsNamed({"PauseController", "StopController", "ResetController"}),
              (std::vector<std::string>{"PauseController()", "StopController()", "ResetController()"}));
    EXPECT_EQ(globals.RunState, kRunStopping);
    EXPECT_EQ(globals.LampMode, 0);  // InitializeController turned the lamps off
}

TEST_F(MotionTest, StopSequenceWithoutSlowDownStillStopsAndResets) {
    // An aborted run; already at the start/stop rate; no ramp at all.
    const double ramp = params.zRR;
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(c);
        globals.RunState = c == 0 ? kRunAbortRequested : kRunRunning;
        globals.zLastRate = c == 1 ? 80 : 2737;
        params.zRR = c == 2 ? 0 : ramp;
        engine->ComputeRunConstants();
        from = ctl.calls.size();
        engine->StopSequence();
        EXPECT_TRUE(ctl.moves.empty());
        EXPECT_EQ(CallsNamed({"StopController", "ResetController"}),
                  (std::vector<std::string>{"StopController()", "ResetController()"}));
    }
}

// Boards below type 3 answer "G4*" while moving, which reads as idle: only
// the count tells the stop sequence that the queue has run down to the
// slow-down moves. An abort ends the wait however full the queue still is.
TEST_F(MotionTest, StopSequenceDrainsByTheCountNotByAnIdleAnswer) {
    for (bool abort : {false, true}) {
        SCOPED_TRACE(abort);
        globals.RunState = kRunRunning;
        globals.zLastRate = 80;  // at the start/stop rate: no slow-down moves
        ctl.moving = true;
        ctl.queueInUse = 9;
        int polls = 0;
        ctl.onWaitIdle = [&](FakeController& c) -> std::optional<std::int32_t> {
            if (!c.moving || c.paused) return std::nullopt;
            if (++polls == 3 && abort) engine->AbortRun();
            c.queueInUse -= 1;
            return 0;
        };
        engine->StopSequence();
        EXPECT_EQ(polls, abort ? 3 : 7);  // 9 in use down to 2
    }
}

TEST_F(MotionTest, InitializeControllerOrder) {
    ctl.capacity = 45;
    ctl.lamps.clear();
    engine->InitializeController();
    std::vector<std::string> sent(ctl.calls.begin() + static_cast<std::ptrdiff_t>(from), ctl.calls.end());
    EXPECT_EQ(sent, (std::vector<std::string>{"ResetController()", "WaitIdle(250)", "ReadPulsePolarityWord()",
                                              "SetPortDirections()"}));
    EXPECT_EQ(ctl.lamps, (std::vector<std::int32_t>{0, 0, 0}));
    EXPECT_EQ(globals.ControllerQueueCapacity, 45);
    EXPECT_EQ(globals.cQueInUse, 0);  // counted against the capacity just read
    EXPECT_EQ(globals.Ring.Length(), 91);
    EXPECT_EQ(globals.PulsePolarityWord, 0x12);
}

TEST_F(MotionTest, EnableMotorsPreparesRatesAndRelativeMoves) {
    engine->EnableMotors();
    auto after = ctl.CallsStartingWith("Set", from);
    EXPECT_EQ(after, (std::vector<std::string>{"SetPortDirections()", "SetControllerPulsePolarities(83)",
                                               "SetControllerStopOKRate(80)", "SetControllerRampRate(8000)",
                                               "SetControllerAddressMode(0)"}));
}

}  // namespace
}  // namespace plyx::engine::test
