// Every way a run can stop in layer 3 (the window's abort, STOP on the
// panel, a silent board, an unplugged cable, a board that restarts, a board
// whose power goes off and on, the program killed), then a new program on
// the same board resumes the run from layer 3 or 2: the board's record of
// the resumed run is the positioning move and then exactly the plan's moves
// from that layer's first, and the head ends where the uninterrupted run
// ends (but for the slow-down moves the final pause cuts).
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/ParameterFiles.h"
#include "engine/plan/Resume.h"
#include "engine/plan/RunFollowers.h"
#include "platform/Files.h"
#include "tests/faults/RunFaultFixture.h"
#include "tests/support/Csv.h"

namespace plyx::engine::test {
namespace {

enum class Stop { WindowAbort, PanelStop, Silent, Unplug, Restart, PowerCycle, Killed };

struct StopCase {
    const char* name;
    Stop stop;
    bool twoAxis;
    std::int32_t fromLayer;
    const char* outcome;  // as the journal keeps it ("" when the program never saw the end)
    bool trusted;         // the board still knows where the head is
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

// A run of five small layers whose program can be ended and started again
// on the same board and data folder.
class ProgramRestarts : public RunFaultTest {
protected:
    ProgramRestarts() {
        params.cTLC = 5;
        params.cMRC = 6;
        params.zSSR = 40;  // a positioning move of a few board seconds
    }

    // The program ends (whatever way) and a new one starts on the same
    // board and data folder: settings read, controller reset, the record
    // told of a run the last program never saw end.
    void RestartProgram() {
        followers.reset();
        engine->ReleaseDrivers();
        boardLink.reset();
        engine = std::make_unique<RunEngine>(*env, params, globals, pump);
        globals = RunGlobals{};
        app::LoadDefaults(params);
        app::LoadParameterFile(*env, params, "");
        engine->SetViews({&status, &switchDialog, &mainWindow});
        mainWindow.engine = engine.get();
        boardLink = std::make_unique<link::ZentrovaCom>(log);
        platform::serial::PortPaths paths;
        paths.dataDirectory = dataDir;
        paths.sysRoot = dir.File("sys");
        boardLink->SetPortPaths(paths);
        boardLink->PortOpen("COM3");
        engine->CreateDriver(*boardLink);
        followers = std::make_unique<RunFollowers>(*env, params, *engine);
        followers->record.RecordInterruptedRun();
        engine->InitializeController();
    }

    std::unique_ptr<RunFollowers> followers;
};

class ResumeAfterStop : public ProgramRestarts, public ::testing::WithParamInterface<StopCase> {};

TEST_P(ResumeAfterStop, ResumesExactlyFromTheLayer) {
    const StopCase& c = GetParam();
    if (c.twoAxis) env->ControllerFamily = kFamily2Axis;
    StartBoard(c.twoAxis ? sim::SimOptions{.firmwareName = "VT2D20NCRouter", .versionText = "3.02", .timeScale = 0.01}
                         : sim::SimOptions{.timeScale = 0.01});
    env->ComPortName = "COM3";
    NormalizeMicrosteps(env->ControllerFamily, params);
    const RunPlan plan = RecordRunPlan(*env, params, env->ControllerFamily, false, {.keepMoves = true});
    const std::vector<LayerStart> starts = LayerStarts(plan);
    ASSERT_EQ(plan.layers, 5);
    // Layer 3 begins beyond what a queue holds: a head at the run's start
    // after a power cycle can be on no move the controller may have run.
    ASSERT_GT(starts[2].move, 32);

    // ---- the run, stopped a few moves into layer 3 ----
    followers = std::make_unique<RunFollowers>(*env, params, *engine);
    bool stopped = false;
    script = [&](int) {
        if (stopped) {
            if (globals.RunState != kRunRunning) board->Release(sim::Switch::Stop);
            return;
        }
        // With moves in the queue: a restart then loses some.
        if (engine->ControllerPass() < 3 || engine->PlanMovesRun() < starts[2].move + 2 ||
            board->State().queueFill < 4)
            return;
        stopped = true;
        switch (c.stop) {
            case Stop::WindowAbort:
                followers->record.NoteAbortFromWindow();
                engine->AbortRun();
                break;
            case Stop::PanelStop: board->Press(sim::Switch::Stop); break;
            case Stop::Silent: board->SetSilent(true); break;
            case Stop::Unplug: board->Unplug(); break;
            case Stop::Restart: board->Restart(); break;
            case Stop::PowerCycle: board->PowerCycle(); break;
            case Stop::Killed: throw app::ProgramExit(9);  // gone: nothing stops the board
        }
    };
    RunOutcome out = Timed([&] {
        try {
            engine->StartRun(false);
        } catch (const link::BoardLinkError& e) {
            // What the window's action does with an error: stop, record, end.
            engine->EndRunAfterError(e.SignedNumber(), e.Description());
            throw;
        }
    });
    script = nullptr;
    ASSERT_TRUE(stopped);
    const std::size_t firstRecord = board->Moves().size();
    // The faults end: the board answers and is plugged in again, and its
    // motors run out what it still held (the new program's reset drops the rest).
    board->SetSilent(false);
    if (c.stop == Stop::Unplug) {
        board->Start();
        board->RegisterAsCom(dataDir, 3);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    RestartProgram();
    const std::optional<JournalEntry> journal = RunJournal(JournalPath(*env)).Read();
    ASSERT_TRUE(journal);
    EXPECT_EQ(journal->outcome, *c.outcome ? std::string(c.outcome) : std::string("interrupted"));
    EXPECT_TRUE(journal->recorded);
    EXPECT_EQ(journal->layerReached, 3);
    Controller& ctl = *engine->CurrentController();
    const std::pair<std::int64_t, std::int64_t> head{ctl.ReportCurrentX(), ctl.ReportCurrentY()};
    const ResumeSituation s = AssessResume(*env, params, env->ControllerFamily, *journal, head);
    EXPECT_EQ(s.changed, "");
    EXPECT_EQ(s.trusted, c.trusted);
    EXPECT_EQ(s.DefaultLayer(), 3);
    EXPECT_EQ(s.Refusal(*env, c.fromLayer, false).empty(), c.trusted);
    ASSERT_EQ(s.Refusal(*env, c.fromLayer, true), "");

    // ---- the resumed run ----
    const std::size_t before = board->Moves().size();
    ASSERT_GE(before, firstRecord);
    const sim::SimState at = board->State();
    followers->progress.UsePlan(s.plan);
    engine->ResumeRun(false, s.Request(c.fromLayer, !c.trusted));
    EXPECT_EQ(status.resumedFrom, c.fromLayer);

    const LayerStart start = starts[static_cast<std::size_t>(c.fromLayer - 1)];
    const std::int64_t originX = c.trusted ? journal->originX : at.position[sim::kX] - start.x;
    const std::int64_t originY = c.trusted ? journal->originY : at.position[sim::kY] - start.y;
    const std::vector<sim::MoveRecord> moves = board->Moves();
    std::size_t i = before;
    std::int64_t x = at.position[sim::kX], y = at.position[sim::kY];
    for (; i < moves.size() && (x != originX + start.x || y != originY + start.y); ++i) {
        EXPECT_EQ(moves[i].rate, -plan.startStopRate) << "positioning segment " << i - before;
        x += moves[i].steps[sim::kX];
        y += moves[i].steps[sim::kY];
    }
    EXPECT_EQ(i > before, c.trusted) << "a positioning move only from a trusted position";
    ASSERT_EQ(moves.size() - i, plan.moves.size() - static_cast<std::size_t>(start.move));
    std::int64_t endX = originX, endY = originY;
    for (std::size_t k = 0; k < plan.moves.size(); ++k) {
        const PlannedMove& p = plan.moves[k];
        if (k + 3 < plan.moves.size()) endX += p.x, endY += p.y;
        if (k < static_cast<std::size_t>(start.move)) continue;
        const sim::MoveRecord& m = moves[i + k - static_cast<std::size_t>(start.move)];
        EXPECT_EQ((QueuedMove{m.steps[sim::kX], m.steps[sim::kY], m.rate}), (QueuedMove{p.x, p.y, p.rate})) << k;
        if (k + 2 < plan.moves.size()) {
            EXPECT_EQ(m.status, sim::MoveRecord::Ran) << k;
        }
    }
    // Where the uninterrupted run ends, but for the slow-down moves cut (diagonal, X up).
    const sim::SimState end = board->State();
    const std::int64_t beyond = end.position[sim::kX] - endX;
    EXPECT_GE(beyond, 0);
    EXPECT_LE(beyond, plan.moves.back().x * 2 + 10);
    EXPECT_LE(std::llabs(end.position[sim::kY] - endY + beyond), 1);

    // The record has the resumed run, the journal marks it complete.
    const auto rows = plyx::test::ParseCsv(*platform::ReadWholeFile(followers->record.FilePath()));
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows.back()[5], "full resumed from layer " + std::to_string(c.fromLayer));
    EXPECT_EQ(rows.back()[11], "completed");
    EXPECT_TRUE(RunJournal(JournalPath(*env)).Read()->Completed());
    (void)out;
}

// A resumed run stopped in its turn (aborted in layer 4) is resumed again:
// its journal keeps the first run's origin, and the second resume streams
// exactly the plan from layer 4.
TEST_F(ProgramRestarts, AResumedRunCanItselfBeResumed) {
    StartBoard({.timeScale = 0.01});
    env->ComPortName = "COM3";
    const RunPlan plan = RecordRunPlan(*env, params, kFamily4Axis, false, {.keepMoves = true});
    const std::vector<LayerStart> starts = LayerStarts(plan);
    followers = std::make_unique<RunFollowers>(*env, params, *engine);
    auto abortIn = [&](std::int32_t layer) {
        script = [this, layer, &starts](int) {
            if (globals.RunState == kRunRunning && engine->ControllerPass() == layer &&
                engine->PlanMovesRun() >= starts[static_cast<std::size_t>(layer - 1)].move + 2)
                engine->AbortRun();
        };
    };
    abortIn(2);
    engine->StartRun(false);
    std::int64_t originX = 0, originY = 0;
    for (const std::int32_t from : {2, 4}) {
        SCOPED_TRACE(from);
        RestartProgram();
        const std::optional<JournalEntry> journal = RunJournal(JournalPath(*env)).Read();
        ASSERT_TRUE(journal && journal->Resumable());
        if (from == 2) std::tie(originX, originY) = std::make_pair(journal->originX, journal->originY);
        EXPECT_EQ(std::make_pair(journal->originX, journal->originY), std::make_pair(originX, originY));
        EXPECT_EQ(journal->resumedFrom, from == 2 ? 0 : 2);
        EXPECT_EQ(journal->layerReached, from);
        Controller& ctl = *engine->CurrentController();
        const ResumeSituation s =
            AssessResume(*env, params, kFamily4Axis, *journal, std::make_pair(std::int64_t{ctl.ReportCurrentX()}, std::int64_t{ctl.ReportCurrentY()}));
        ASSERT_TRUE(s.trusted);
        const std::size_t before = board->Moves().size();
        if (from == 2) abortIn(4); else script = nullptr;
        engine->ResumeRun(false, s.Request(from, false));
        if (from == 2) continue;
        // The second resume: positioning, then the plan from layer 4 to its end.
        const std::vector<sim::MoveRecord> moves = board->Moves();
        const std::size_t streamed = plan.moves.size() - static_cast<std::size_t>(starts[3].move);
        ASSERT_GT(moves.size(), before + streamed);
        for (std::size_t k = 0; k < streamed; ++k) {
            const sim::MoveRecord& m = moves[moves.size() - streamed + k];
            const PlannedMove& p = plan.moves[static_cast<std::size_t>(starts[3].move) + k];
            EXPECT_EQ((QueuedMove{m.steps[sim::kX], m.steps[sim::kY], m.rate}), (QueuedMove{p.x, p.y, p.rate})) << k;
        }
        for (std::size_t k = before; k < moves.size() - streamed; ++k) EXPECT_EQ(moves[k].rate, -plan.startStopRate) << k;
        EXPECT_TRUE(RunJournal(JournalPath(*env)).Read()->Completed());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stops, ResumeAfterStop,
    ::testing::Values(
        StopCase{"WindowAbortLayer3", Stop::WindowAbort, false, 3, "aborted from the window", true},
        StopCase{"WindowAbortLayer2", Stop::WindowAbort, false, 2, "aborted from the window", true},
        StopCase{"WindowAbort2AxisLayer3", Stop::WindowAbort, true, 3, "aborted from the window", true},
        StopCase{"WindowAbort2AxisLayer2", Stop::WindowAbort, true, 2, "aborted from the window", true},
        StopCase{"PanelStopLayer3", Stop::PanelStop, false, 3, "aborted from the panel (STOP)", true},
        StopCase{"PanelStopLayer2", Stop::PanelStop, false, 2, "aborted from the panel (STOP)", true},
        StopCase{"SilentLayer3", Stop::Silent, false, 3, "error", true},
        StopCase{"SilentLayer2", Stop::Silent, false, 2, "error", true},
        StopCase{"UnplugLayer3", Stop::Unplug, false, 3, "error", true},
        StopCase{"UnplugLayer2", Stop::Unplug, false, 2, "error", true},
        StopCase{"RestartLayer3", Stop::Restart, false, 3, "error", true},
        StopCase{"RestartLayer2", Stop::Restart, false, 2, "error", true},
        StopCase{"Restart2AxisLayer3", Stop::Restart, true, 3, "error", true},
        StopCase{"Restart2AxisLayer2", Stop::Restart, true, 2, "error", true},
        StopCase{"PowerCycleLayer3", Stop::PowerCycle, false, 3, "error", false},
        StopCase{"PowerCycleLayer2", Stop::PowerCycle, false, 2, "error", false},
        StopCase{"KilledLayer3", Stop::Killed, false, 3, "", true},
        StopCase{"KilledLayer2", Stop::Killed, false, 2, "", true}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace plyx::engine::test
