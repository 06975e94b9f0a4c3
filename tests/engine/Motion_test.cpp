// Line moves and segmented moves, as the simulated board takes them (the
// stop sequence: ControllerSetup_test.cpp).
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

class MotionTest : public SimulatedRunTest {
protected:
    MotionTest() {
        engine->ComputeRunConstants();
        engine->EnableMotors();
        globals.RunState = kRunRunning;
    }
};

// Line moves (with a rate) round half to even, at the faster motor's rate,
// the tape counting the wheel angle; segmented moves (rate 0 here: 10 steps
// a second, one inch of tape) are cut to at most 2047 steps a motor.
TEST_F(MotionTest, MovesAsTheBoardTakesThem) {
    const struct { double dx, dy, rate; std::vector<QueuedMove> sent; } cases[] = {
        {3251.5483964654327, -3251.5483964654327, 387, {{1626, -1626, -2737}, {1626, -1626, -2737}}},
        {0, 0, 387, {}},
        {0.3, -0.4, 100, {{0, 0, -800}}},
        {2.5, -3.5, 100, {{2, -4, -814}}},
        {2047, 0, 0, {{2047, 0, -10}}},
        {0, 2048, 0, {{0, 1024, -10}, {0, 1024, -10}}},
        {4093, -1, 0, {{1364, 0, -10}, {1364, 0, -10}, {1365, -1, -10}}},
        {-5000, 7, 0, {{-1666, 2, -10}, {-1667, 2, -10}, {-1667, 3, -10}}}};
    for (const auto& c : cases) {
        board->ClearMoves();
        const double before = globals.TotalQueuedDistance;
        if (c.rate > 0)
            engine->LineMove(c.dx, c.dy, c.rate);
        else
            engine->SegmentedMove(static_cast<std::int32_t>(c.dx), static_cast<std::int32_t>(c.dy), 10, 1);
        EXPECT_EQ(BoardMoves(), c.sent) << c.dx;
        EXPECT_NEAR(globals.TotalQueuedDistance - before, c.rate > 0 ? c.dx * 1.1033779189624915 : 1, 1e-9) << c.dx;
    }
}

TEST_F(MotionTest, MoveBeyondWhatTheControllerCanCarryAbortsTheRun) {
    for (auto [dx, rate] : {std::pair{3e9, 100.0}, {1.0, 1e12}}) {
        globals.RunState = kRunRunning;
        engine->LineMove(dx, 1, rate);
        EXPECT_EQ(globals.RunState, kRunAbortRequested) << dx;
    }
    engine->LineMove(100, 100, 100);
    engine->SegmentedMove(100, 100, 100, 100);
    EXPECT_TRUE(BoardMoves().empty());
}

}  // namespace
}  // namespace plyx::engine::test
