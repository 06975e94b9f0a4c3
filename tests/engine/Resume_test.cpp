// A run resumed from a layer on the simulated board: the positioning move
// from where the board stands to the plan's place of the layer's first move,
// then exactly the uninterrupted run's moves from there (rates, line-pair
// counter, pole advance, burnish rate scale, a chained finishing file and
// the operator's live changes of the layer increase included), and the
// head where the uninterrupted run leaves it.
#include <cstdlib>

#include "app/ParameterFiles.h"
#include "engine/plan/Resume.h"
#include "engine/plan/RunPlan.h"
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

struct StreamCase {
    const char* name;
    bool twoAxis = false;
    bool burnish = false;
    std::int32_t fromLayer = 1;
    const char* shell = "";      // a.cfg's lines ("" the defaults, no file)
    const char* finishing = "";  // a.fin beside it ("" none)
    std::vector<ScaleChange> changes{};
    bool headAtLayerStart = false;  // the operator's word instead of the board's position
};
void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

class ResumeStream : public BoardTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(ResumeStream, PositioningMoveThenExactlyThePlanFromTheLayer) {
    const StreamCase& c = GetParam();
    if (c.twoAxis) env->ControllerFamily = kFamily2Axis;
    StartBoard(c.twoAxis ? sim::SimOptions{.firmwareName = "VT2D20NCRouter", .versionText = "3.02"}
                         : sim::SimOptions{});
    if (*c.shell) {
        dir.Write("a.cfg", c.shell);
        if (*c.finishing) dir.Write("a.fin", c.finishing);
        app::LoadParameterFile(*env, params, dir.File("a.cfg"));
    }
    NormalizeMicrosteps(env->ControllerFamily, params);
    const RunPlan plan =
        RecordRunPlan(*env, params, env->ControllerFamily, c.burnish, {.keepMoves = true, .scaleChanges = c.changes});
    ASSERT_GE(plan.layers, c.fromLayer);
    ASSERT_EQ(plan.finishingChained, *c.finishing != 0);
    const LayerStart start = LayerStarts(plan)[static_cast<std::size_t>(c.fromLayer - 1)];
    std::int64_t sumX = 0, sumY = 0;
    for (std::int64_t i = 0; i < start.move; ++i) {
        sumX += plan.moves[static_cast<std::size_t>(i)].x;
        sumY += plan.moves[static_cast<std::size_t>(i)].y;
    }
    ASSERT_EQ(std::make_pair(start.x, start.y), std::make_pair(sumX, sumY));

    // The plan's origin lies away from the board's 0/0, where the head stands.
    const std::int64_t ox = 1500, oy = -900;
    engine->ResumeRun(c.burnish, {c.fromLayer, ox, oy, c.headAtLayerStart, c.changes});
    const std::int32_t ssr = plan.startStopRate;
    std::vector<QueuedMove> expected;
    const std::int64_t tx = c.headAtLayerStart ? 0 : ox + start.x, ty = c.headAtLayerStart ? 0 : oy + start.y;
    const std::vector<QueuedMove> board = BoardMoves();
    std::int64_t px = 0, py = 0;
    for (const QueuedMove& m : board) {
        if (px == tx && py == ty) break;
        EXPECT_EQ(m.rate, -ssr);
        EXPECT_LE(std::max(std::abs(m.x), std::abs(m.y)), 2047);
        px += m.x;
        py += m.y;
        expected.push_back(m);
    }
    EXPECT_EQ(std::make_pair(px, py), std::make_pair(tx, ty)) << "the positioning move";
    for (std::size_t i = static_cast<std::size_t>(start.move); i + 3 < plan.moves.size(); ++i)
        expected.push_back({plan.moves[i].x, plan.moves[i].y, plan.moves[i].rate});
    // Every move of it ran; the head stands where they took it.
    ExpectEveryPlannedMoveRan(expected, ssr);
    EXPECT_EQ(engine->Track().resumedFrom, c.fromLayer);
    EXPECT_EQ(engine->Track().planMoves, plan.moveCount - 3);
    EXPECT_EQ(engine->Track().skippedMoves, start.move);
    const std::int64_t originX = c.headAtLayerStart ? -start.x : ox;
    EXPECT_EQ(engine->Track().originX, originX);
    EXPECT_TRUE(Logged("Resuming the stopped run from layer " + std::to_string(c.fromLayer)));
    // Nothing of the silent layers was logged.
    const std::string text = LogText();
    std::int32_t logged = 0;
    for (std::size_t at = text.find("--->Starting layer "); at != std::string::npos;
         at = text.find("--->Starting layer ", at + 1))
        ++logged;
    EXPECT_EQ(logged, plan.layers - c.fromLayer + 1);
}

const char* const kChained = "TLC=3\r\nMRC=3\r\nTARC=2\r\nCHAININTERVALTECHNIQUE=2\r\n";
const char* const kFinishing = "TLC=3\r\nMRC=2\r\nMRFL=300\r\nASAPL=5\r\nCHAININTERVALTECHNIQUE=2\r\n";

INSTANTIATE_TEST_SUITE_P(
    Layers, ResumeStream,
    ::testing::Values(
        StreamCase{.name = "FromLayer3", .fromLayer = 3},
        StreamCase{.name = "FromLayer2", .fromLayer = 2},
        StreamCase{.name = "FromLayer1", .fromLayer = 1},
        StreamCase{.name = "AlternatePairsAndPoleAdvance", .fromLayer = 4,
                   .shell = "LAYERPATTERN=1\r\nPAVP=10\r\nTLC=5\r\nMRC=5\r\n"},
        StreamCase{.name = "BurnishRateScale", .burnish = true, .fromLayer = 2},
        StreamCase{.name = "FinishingFilesFirstLayer", .fromLayer = 4, .shell = kChained, .finishing = kFinishing},
        StreamCase{.name = "InsideTheFinishingFile", .fromLayer = 5, .shell = kChained, .finishing = kFinishing},
        StreamCase{.name = "TwoAxis", .twoAxis = true, .fromLayer = 3},
        StreamCase{.name = "LiveChangesBeforeAndAfter", .fromLayer = 3,
                   .changes = {{10, 2, 0.3}, {200, 5, 0.02}}},
        StreamCase{.name = "HeadMovedThereByHand", .fromLayer = 3, .headAtLayerStart = true}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

// The operator's change of the layer increase in a run is kept with the
// plan move it came before: the plan made with it is exactly what the
// board was sent, and differs from the plan without it.
TEST_F(SimulatedRunTest, LiveIncreaseChangesAreKeptWhereTheyCame) {
    params.cTLC = 4;
    params.cMRC = 3;
    script = [this](int n) {
        if (n == 15) engine->SetLayerScaleFraction(0.25);
    };
    engine->StartRun(false);
    ASSERT_EQ(engine->Track().scaleChanges.size(), 1u);
    const ScaleChange change = engine->Track().scaleChanges[0];
    EXPECT_GT(change.beforeMove, 0);
    EXPECT_EQ(change.fraction, 0.25);
    const RunPlan with = RecordRunPlan(*env, params, kFamily4Axis, false, {.keepMoves = true, .scaleChanges = {change}});
    const RunPlan without = RecordRunPlan(*env, params, kFamily4Axis, false, {.keepMoves = true});
    std::vector<QueuedMove> sent;
    for (const PlannedMove& m : with.moves) sent.push_back({m.x, m.y, m.rate});
    EXPECT_EQ(BoardMoves(), sent);
    EXPECT_NE(with.moves, without.moves);
    EXPECT_EQ(change.fromLayer, with.marks[static_cast<std::size_t>(change.beforeMove)].layer + 1);
}

}  // namespace
}  // namespace plyx::engine::test
