// Whether the board's position can be trusted after a stop: it must lie
// where the journal left the head (on the moves between the last the
// journal counts as run and those the controller may have run after them,
// or on a resumed run's unfinished positioning move). And what else decides a resume: the
// parameters it runs on, RESUME= on the command line, the journal's text.
#include <gtest/gtest.h>

#include "app/ParameterFiles.h"
#include "engine/plan/Resume.h"
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

using Point = std::pair<std::int64_t, std::int64_t>;

struct TrustCase {
    const char* name;
    bool trusted;
    // Sets up the journal and answers the position the board reports, from
    // where the plan puts the head after n moves (steps from its origin).
    std::optional<Point> (*setUp)(JournalEntry& j, const std::function<Point(std::int64_t)>& after,
                                  const std::vector<LayerStart>& starts);
};
void PrintTo(const TrustCase& c, std::ostream* os) { *os << c.name; }

Point Mid(Point a, Point b) { return {(a.first + b.first) / 2, (a.second + b.second) / 2}; }

class TrustTest : public BoardTest, public ::testing::WithParamInterface<TrustCase> {};

TEST_P(TrustTest, TheBoardsPositionAgreesWithTheJournalOrNot) {
    const TrustCase& c = GetParam();
    const RunPlan plan = RecordRunPlan(*env, params, kFamily4Axis, false, {.keepMoves = true});
    const std::vector<LayerStart> starts = LayerStarts(plan);
    JournalEntry j;
    j.layersPlanned = plan.layers;
    j.layerReached = 3;
    j.movesRun = starts[2].move + 2;
    j.capacity = 30;
    j.positionKnown = true;
    j.originX = j.startX = 1000;
    j.originY = j.startY = -500;
    j.parameters = RunParameters(params);
    auto after = [&](std::int64_t n) {
        Point p{j.originX, j.originY};
        for (std::int64_t i = 0; i < n; ++i) {
            p.first += plan.moves[static_cast<std::size_t>(i)].x;
            p.second += plan.moves[static_cast<std::size_t>(i)].y;
        }
        return p;
    };
    const std::optional<Point> reported = c.setUp(j, after, starts);
    const ResumeSituation s = AssessResume(*env, params, kFamily4Axis, j, reported);
    EXPECT_EQ(s.changed, "");
    EXPECT_EQ(s.trusted, c.trusted);
    EXPECT_EQ(s.Refusal(*env, 3, false).empty(), c.trusted);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, TrustTest,
    ::testing::Values(
        TrustCase{"WhereTheCountLeftIt", true, [](JournalEntry& j, auto after, auto&) -> std::optional<Point> { return after(j.movesRun); }},
        TrustCase{"InTheMoveTheStopCut", true,
                  [](JournalEntry& j, auto after, auto&) -> std::optional<Point> { return Mid(after(j.movesRun), after(j.movesRun + 1)); }},
        TrustCase{"TheQueueRanOnAfterTheKill", true, [](JournalEntry& j, auto after, auto&) -> std::optional<Point> { return after(j.movesRun + 25); }},
        TrustCase{"BehindTheMovesRun", false, [](JournalEntry& j, auto after, auto&) -> std::optional<Point> { return after(j.movesRun - 3); }},
        TrustCase{"BeyondWhatTheQueueHeld", false,
                  [](JournalEntry&, auto after, auto& starts) -> std::optional<Point> { return after(starts[3].move + 61); }},
        TrustCase{"BesideThePath", false,
                  [](JournalEntry& j, auto after, auto&) -> std::optional<Point> { auto p = after(j.movesRun); return Point{p.first, p.second + 40}; }},
        TrustCase{"PoweredOffCountersCleared", false, [](JournalEntry&, auto, auto&) -> std::optional<Point> { return Point{0, 0}; }},
        TrustCase{"OnAResumedRunsPositioningMove", true,
                  [](JournalEntry& j, auto after, auto& starts) -> std::optional<Point> {
                      j.resumedFrom = 2;
                      j.movesRun = starts[1].move;
                      std::tie(j.startX, j.startY) = after(starts[4].move);
                      return Mid(Point{j.startX, j.startY}, after(starts[1].move));
                  }},
        TrustCase{"NoPositionInTheJournal", false,
                  [](JournalEntry& j, auto after, auto&) -> std::optional<Point> { j.positionKnown = false; return after(j.movesRun); }},
        TrustCase{"NoPositionFromTheBoard", false, [](JournalEntry&, auto, auto&) -> std::optional<Point> { return std::nullopt; }}),
    [](const ::testing::TestParamInfo<TrustCase>& info) { return std::string(info.param.name); });

// What refuses a resume besides the position: another value, another
// finishing file; RESUME= values; the journal's text read back whole.
TEST_F(BoardTest, ChangedParametersArgumentsAndTheJournalsText) {
    dir.Write("a.cfg", "TLC=3\r\nMRC=2\r\n");
    dir.Write("a.fin", "TLC=1\r\n");
    app::LoadParameterFile(*env, params, dir.File("a.cfg"));
    JournalEntry j;
    j.parameters = RunParameters(params);
    j.shellFile = params.CurrentShellFile;
    j.finishingFile = FinishingFileOf(params, false);
    j.finishingLines = FinishingLinesOf(j.finishingFile);
    EXPECT_EQ(j.finishingLines, std::vector<std::string>{"TLC=1"});
    EXPECT_EQ(ChangedSinceStop(j, params), "");
    app::ParameterSet p = params;
    p.zTS = 2.5;
    p.cPAVP = 3;
    EXPECT_EQ(ChangedSinceStop(j, p), "PAVP, TS");
    dir.Write("a.fin", "TLC=2\r\n");
    EXPECT_EQ(ChangedSinceStop(j, params), dir.File("a.fin"));

    const std::pair<const char*, std::optional<std::int32_t>> arguments[] = {
        {"REQCOMPORT=1", std::nullopt}, {"REQCOMPORT=1 RESUME=3", 3}, {"resume=12 LOGFILE=x", 12},
        {"RESUME=0", -1}, {"RESUME=-2", -1}, {"RESUME=3.5", -1}, {"RESUME=", -1}, {"RESUME=40000", -1},
        {"RESUME=2 RESUME=4", 4}};
    for (const auto& [line, layer] : arguments) EXPECT_EQ(ResumeLayerArgument(line), layer) << line;

    j.start = 100;
    j.updated = 200;
    j.layersPlanned = 4;
    j.layerReached = 3;
    j.movesRun = 77;
    j.outcome = "error";
    j.error = "10 The controller lost 3 moves";
    j.recorded = true;
    j.resumedFrom = 2;
    j.capacity = 30;
    j.positionKnown = true;
    j.startX = -5, j.startY = 7, j.originX = 1, j.originY = -2;
    j.scaleChanges = {{10, 2, 0.125}, {99, 4, 0.3}};
    const std::string text = JournalText(j);
    const std::optional<JournalEntry> back = ParseJournal(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(JournalText(*back), text);
    EXPECT_EQ(back->scaleChanges, j.scaleChanges);
    EXPECT_EQ(back->parameters, j.parameters);
    EXPECT_TRUE(back->Resumable());
    for (const std::string& bad : {text + "start_x=oops\n", text + "scale=1,2\n", text + "origin_y\n",
                                   std::string(text).replace(text.find("origin_x="), 9, "origin_q=")})
        EXPECT_FALSE(ParseJournal(bad)) << bad;
}

}  // namespace
}  // namespace plyx::engine::test
