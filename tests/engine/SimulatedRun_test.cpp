// Whole runs on the simulated boards of both families: what the board
// queues, and how the panel switches and inputs steer a run.
#include <cmath>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

#include "app/ParameterFiles.h"
#include "engine/DisplayText.h"
#include "engine/plan/RunPlan.h"
#include "engine/plan/RunFollowers.h"
#include "platform/Files.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/Csv.h"

namespace plyx::engine::test {
namespace {

using plyx::test::ParseCsv;

// Timed runs on a paced line, the queue draining at the end: 4-axis version 2
// (one-digit count), 3 ("G4*" read as idle below type 3), 5 (extended), the
// 2-axis family, a slow reply, a burnish pass.
struct TimedCase { const char *firmware, *version; int latencyMs; bool burnish; };
// Readable case names in test listings (ctest shows GetParam()).
void PrintTo(const TimedCase& c, std::ostream* os) {
    *os << c.firmware << ' ' << c.version << (c.latencyMs ? " latency " + std::to_string(c.latencyMs) + " ms" : "")
        << (c.burnish ? " burnish" : "");
}

// Moves a few times longer than queuing them: the queue fills (if idle).
sim::SimOptions TimedBoard(const TimedCase& c) {
    return {.firmwareName = c.firmware, .versionText = c.version, .queueCapacity = c.latencyMs > 0 ? 7 : 12,
            .timeScale = c.latencyMs > 0 ? 0.4 : 0.05, .baud = 115200, .latencyMs = c.latencyMs};
}
const sim::SimOptions kTwoAxisBoard{.firmwareName = "VT2D20NCRouter", .versionText = "3.02"};

// A shell chains its finishing file by one of three techniques (technique 1
// in time on a paced line), then is loaded again.
class FinishingTest : public SimulatedRunTest, public ::testing::WithParamInterface<int> {
protected:
    FinishingTest()
        : SimulatedRunTest(GetParam() == 1 ? TimedBoard({"QM4DNCRouterVarn", "4.71", 0, false}) : sim::SimOptions{}) {}
};

TEST_P(FinishingTest, ChainsTheFinishingFileAndRestoresTheShell) {
    const int technique = GetParam();
    const std::string shell = dir.File("a.cfg"), fin = dir.File("a.fin");
    const std::string cit = "CHAININTERVALTECHNIQUE=" + std::to_string(technique) + "\r\n";
    dir.Write("a.cfg", "TLC=2\r\nMRC=1\r\nTARC=1\r\nMRFL=387\r\nMRSI=387\r\nMISP=26.2\r\n" + cit);
    dir.Write("a.fin", "TLC=1\r\nMRC=2\r\nMRFL=100\r\nMRSI=200\r\nMISP=50\r\n" + cit);
    app::LoadParameterFile(*env, params, shell);
    const RunPlan plan = RecordRunPlan(*env, params, kFamily4Axis, false, {.keepMoves = true});
    ASSERT_TRUE(plan.finishingChained);
    engine->StartRun(false);
    std::vector<QueuedMove> planned;
    for (const PlannedMove& m : plan.moves) planned.push_back({m.x, m.y, m.rate});
    ExpectEveryPlannedMoveRan(std::vector<QueuedMove>(planned.begin(), planned.end() - 3));
    // After the shell: 0, TARFL 238 at the shell's rates; 1, MRSI of the
    // finishing file; 2, a third-axis pass.
    const std::int32_t chainedRate[] = {-1683, -1414, -1683};
    app::ParameterSet alone = params;  // a shell of no file chains nothing
    alone.CurrentShellFile.clear();
    const auto chained = static_cast<std::size_t>(RecordRunPlan(*env, alone, kFamily4Axis, false).moveCount - 3);
    ASSERT_LT(chained, planned.size());
    EXPECT_EQ(planned[chained].rate, chainedRate[technique]);
    EXPECT_TRUE(Logged("Found a FIN file (" + fin + ") -- attempting load"));
    EXPECT_EQ(params.CurrentShellFile, shell);
    EXPECT_EQ(params.zMRFL, 387);
    EXPECT_NE(dir.Read("PLYX3/PLYX3.CFG").find("LastFileLoaded=" + shell + "\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Techniques, FinishingTest, ::testing::Values(0, 1, 2));

class TimedRunTest : public SimulatedRunTest, public ::testing::WithParamInterface<TimedCase> {
protected:
    TimedRunTest()
        : SimulatedRunTest(TimedBoard(GetParam()),
                           GetParam().firmware[0] == 'Q' ? kFamily4Axis : kFamily2Axis) {}
};

// The 2-axis board takes 8 microsteps at most: a lower start/stop rate.
TEST_P(TimedRunTest, EveryPlannedMoveRuns) {
    const TimedCase c = GetParam();
    params.cTLC = c.latencyMs > 0 ? 1 : 2;
    params.cMRC = c.latencyMs > 0 ? 1 : 2;
    params.cMSPS = 12;
    engine->StartRun(c.burnish);
    const bool twoAxis = c.firmware[0] != 'Q';
    EXPECT_EQ(params.cMSPS, twoAxis ? 8 : 12);
    ExpectEveryPlannedMoveRan(PlannedSegments(c.burnish), twoAxis ? 40 : 60);
    EXPECT_EQ(board->State().counters.refusedMoves, 0u);
    EXPECT_EQ(board->State().counters.unknownCommands, 0u);
    EXPECT_EQ(globals.RunState, kRunIdle);
}

constexpr const char* kQM4D = "QM4DNCRouterVarn";
INSTANTIATE_TEST_SUITE_P(Boards, TimedRunTest,
                         ::testing::Values(TimedCase{kQM4D, "2.15", 0, false}, TimedCase{kQM4D, "3.20", 0, false},
                                           TimedCase{kQM4D, "4.71", 0, false}, TimedCase{kQM4D, "5.02", 0, false},
                                           TimedCase{"VT2D20NCRouter", "3.02", 0, false},
                                           TimedCase{kQM4D, "4.71", 16, false}, TimedCase{kQM4D, "4.71", 0, true}));

// The panel's switches and lamps through each family's inputs and outputs.
class PanelPauseTest : public SimulatedRunTest, public ::testing::WithParamInterface<std::int32_t> {
protected:
    PanelPauseTest()
        : SimulatedRunTest(GetParam() == kFamily2Axis ? kTwoAxisBoard : sim::SimOptions{}, GetParam()) {}
};

TEST_P(PanelPauseTest, PauseThenStartFromThePanel) {
    params.cTLC = 1;
    params.cMRC = 3;
    bool started = false;
    int pausedTurns = 0;
    script = [&](int n) {
        if (n == 3) board->Press(sim::Switch::Pause);
        if (globals.RunState == kRunPaused && !started && ++pausedTurns == 3) {
            board->Release(sim::Switch::Pause);
            board->Press(sim::Switch::Start);
            started = true;
        }
        if (started && globals.RunState == kRunRunning) board->Release(sim::Switch::Start);
    };
    engine->StartRun(false);
    ASSERT_GE(states.size(), 3u);
    EXPECT_EQ(std::vector<std::int16_t>(states.begin(), states.begin() + 3),
              (std::vector<std::int16_t>{kRunRunning, kRunPaused, kRunRunning}));
    ASSERT_GE(lampsSeen.size(), 3u);
    EXPECT_EQ(std::vector<int>(lampsSeen.begin(), lampsSeen.begin() + 3), (std::vector<int>{22, 21, 22}));
    EXPECT_FALSE(status.restartCaption);
    EXPECT_EQ(globals.SwitchFlags & kSwitchPause, 0);
    EXPECT_EQ(BoardMoves().size(), PlannedSegments().size() + 3);  // nothing lost
}

INSTANTIATE_TEST_SUITE_P(Families, PanelPauseTest, ::testing::Values(kFamily4Axis, kFamily2Axis));

// Moves in real time: the queue is still full when the operator stops.
class RealTimeRunTest : public SimulatedRunTest {
protected:
    RealTimeRunTest() : SimulatedRunTest(sim::SimOptions{.timeScale = 1}) {}
};

TEST_F(RealTimeRunTest, ShortStopPressOrQuittingAbortsAndDropsTheQueue) {
    params.cTLC = 2;
    for (bool quit : {false, true}) {
        SCOPED_TRACE(quit);
        states.clear();
        board->ClearMoves();
        pump.dispatches = 0;
        const std::uint64_t resets = board->State().counters.resets, dropped = board->State().counters.movesDropped;
        script = [&](int n) {
            if (n == 4 && quit) pump.quit = true;
            if (n == 4 && !quit) board->Press(sim::Switch::Stop);
            if (n == 5) board->Release(sim::Switch::Stop);
        };
        engine->StartRun(false);
        if (!quit) {
            // Paused first, aborted once the board said paused, then stopped.
            ASSERT_GE(states.size(), 3u);
            EXPECT_EQ(std::vector<std::int16_t>(states.begin(), states.begin() + 3),
                      (std::vector<std::int16_t>{kRunRunning, kRunPaused, kRunStopping}));
            EXPECT_EQ(AbortingShown(), 1);
            EXPECT_TRUE(Logged("PollWaitForMotorIdle wait has detected being in abort state - IdleWait reported 3"));
        }
        // The queue thrown away, and nothing sent after it: no slow-down moves.
        const std::vector<QueuedMove> sent = BoardMoves(), plan = PlannedSegments();
        ASSERT_LT(sent.size(), plan.size());
        EXPECT_EQ(sent, std::vector<QueuedMove>(plan.begin(), plan.begin() + static_cast<std::ptrdiff_t>(sent.size())));
        EXPECT_GT(board->State().counters.movesDropped, dropped);
        EXPECT_EQ(board->State().counters.resets, resets + 2);
        EXPECT_EQ(board->State().run, sim::RunState::Idle);
        EXPECT_EQ(globals.RunState, kRunIdle);
    }
}

TEST_F(SimulatedRunTest, PanelSwitchesStartARunFromTheMainWindowsPoll) {
    params.cTLC = 1;
    params.cMRC = 1;
    // STOP closed as well brings the switch dialog, not a run.
    const struct { std::vector<sim::Switch> closed; const char* click; } cases[] = {{{sim::Switch::Start}, "FullRun"},
                 {{sim::Switch::Start, sim::Switch::Burnish}, "FullRun"},
                 {{sim::Switch::Burnish}, "Burnish"},
                 {{sim::Switch::Start, sim::Switch::Stop}, nullptr}};
    script = [&](int) { ReleaseEverything(); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.closed.size());
        mainWindow.calls.clear();
        switchDialog.calls.clear();
        board->ClearMoves();
        for (sim::Switch s : c.closed) board->Press(s);
        engine->CheckStartSwitches();
        if (c.click == nullptr) {
            EXPECT_EQ(switchDialog.calls, (std::vector<std::string>{"START", "STOP"}));
            EXPECT_TRUE(mainWindow.calls.empty() && BoardMoves().empty());
            continue;
        }
        ASSERT_GE(mainWindow.calls.size(), 2u);
        EXPECT_EQ(mainWindow.calls[0], "StopTimer");
        EXPECT_EQ(mainWindow.calls[1], c.click);
        ExpectPlanThenSlowDown(BoardMoves(), PlannedSegments(c.click == std::string("Burnish")));
    }
}

// The preview's plan of the example shells (or the defaults) against the
// board's record: the same moves and tape, and a time within 10 % of the
// board's own motion model.
struct PreviewCase { const char* shell; std::int32_t family; bool burnish; std::int32_t layers; bool finishing; };
void PrintTo(const PreviewCase& c, std::ostream* os) {
    *os << (*c.shell ? c.shell : "defaults") << (c.family == kFamily2Axis ? " 2-axis" : " 4-axis")
        << (c.burnish ? " burnish" : " full run");
}

class PreviewAgainstBoardTest : public SimulatedRunTest, public ::testing::WithParamInterface<PreviewCase> {
protected:
    PreviewAgainstBoardTest()
        : SimulatedRunTest(GetParam().family == kFamily2Axis ? kTwoAxisBoard : sim::SimOptions{},
                           GetParam().family) {}
};

TEST_P(PreviewAgainstBoardTest, PlanMatchesTheRunAndTheEstimateItsTime) {
    const PreviewCase c = GetParam();
    if (*c.shell != 0) {
        for (const char* name : {"Shell-6in.cfg", "Shell-6in.fin", "Shell-8in-alternate.cfg"})
            dir.Write(name, *platform::ReadWholeFile(std::string(PLYX3_EXAMPLES_DIR "/shells/") + name));
        app::LoadParameterFile(*env, params, dir.File(c.shell));
    }
    const RunPlan plan = RecordRunPlan(*env, params, c.family, c.burnish, {.keepMoves = true});
    ASSERT_EQ(plan.refusal, "");
    const double before = board->State().counters.motionSeconds;
    engine->StartRun(c.burnish);

    std::vector<QueuedMove> planned;
    for (const PlannedMove& m : plan.moves) planned.push_back({m.x, m.y, m.rate});
    EXPECT_EQ(planned, BoardMoves());
    EXPECT_EQ(plan.layers, c.layers);
    EXPECT_EQ(plan.finishingChained, c.finishing);
    EXPECT_EQ(plan.moveCount, static_cast<std::int64_t>(planned.size()));
    EXPECT_EQ(plan.marks.back().layer, c.layers);
    EXPECT_NEAR(plan.tapeInches, globals.TotalQueuedDistance * engine->Geometry().zTapePerStep, 1e-6);
    EXPECT_DOUBLE_EQ(plan.marks.back().tape, plan.tapeInches);

    const double seconds = board->State().counters.motionSeconds - before;
    ASSERT_GT(seconds, 10.0);
    EXPECT_NEAR(plan.seconds, seconds, 0.10 * seconds);
    // The time at a tape length grows with it and ends at the whole estimate.
    EXPECT_DOUBLE_EQ(plan.SecondsAtTape(plan.tapeInches), plan.seconds);
    EXPECT_LT(plan.SecondsAtTape(plan.tapeInches / 3), plan.SecondsAtTape(plan.tapeInches * 2 / 3));
}

INSTANTIATE_TEST_SUITE_P(
    ExampleShells, PreviewAgainstBoardTest,
    ::testing::Values(PreviewCase{"", kFamily4Axis, false, 6, false}, PreviewCase{"", kFamily4Axis, true, 2, false},
                      PreviewCase{"Shell-6in.cfg", kFamily4Axis, false, 7, true},
                      PreviewCase{"Shell-6in.cfg", kFamily2Axis, false, 7, true},
                      PreviewCase{"Shell-6in.cfg", kFamily2Axis, true, 2, false},
                      PreviewCase{"Shell-8in-alternate.cfg", kFamily4Axis, false, 4, false},
                      PreviewCase{"Shell-8in-alternate.cfg", kFamily2Axis, false, 4, false}));

// A move's estimate ramps (at the ramp rate, in steps/s per second) from
// and to its neighbours' rates, or the start/stop rate at the ends; a move
// too short to reach its rate ramps up and straight down; no ramp rate, none.
TEST(Estimate, MovesRampBetweenTheirNeighboursRates) {
    const auto each = [](std::vector<PlannedMove> moves, std::int32_t ramp) {
        return EstimateMoveSeconds(moves, 100, ramp);
    };
    const double ramp = 900 / 500.0, cruise = 10000 / 1000.0, rampSteps = 990 / 1000.0;
    EXPECT_NEAR(each({{10000, -300, 1000}}, 500)[0], 2 * ramp + cruise - 2 * rampSteps, 1e-9);
    EXPECT_NEAR(each({{10000, 0, 1000}, {0, 10000, 1000}}, 500)[1], ramp + cruise - rampSteps, 1e-9);
    EXPECT_NEAR(each({{500, 0, 1000}}, 500)[0], 2 * (std::sqrt(260000.0) - 100) / 500, 1e-9);
    EXPECT_NEAR(each({{10000, 0, 1000}, {0, -500, 0}}, 0)[1], 500 / 100.0, 1e-9);
    EXPECT_NEAR(each({{10000, 0, 1000}}, 0)[0], cruise, 1e-9);
}

// Time left is the plan's rest at the run's own pace so far (held to half
// or double the plan's), counted down between the controller's reports.
TEST_F(BoardTest, TimeLeftFollowsTheRunsOwnPace) {
    RunProgress progress(*env, params);
    progress.RunStarted(false);
    const RunPlan& plan = progress.Plan();
    const std::size_t i = plan.marks.size() / 2;  // mid-move, well past the first seconds
    const double tape = (plan.marks[i - 1].tape + plan.marks[i].tape) / 2;
    const double planAt = plan.SecondsAtTape(tape);
    ASSERT_GT(planAt, 20);
    EXPECT_NEAR(planAt, (plan.marks[i - 1].seconds + plan.marks[i].seconds) / 2, 1e-9);
    for (const double pace : {1.5, 3.0}) {
        progress.RunStarted(false);
        clock.AdvanceMs(1000 * pace * planAt);
        progress.ControllerAt({.inches = tape});
        const double expected = (plan.seconds - planAt) * std::min(pace, 2.0);
        EXPECT_NEAR(progress.SecondsLeft(), expected, 0.02 * expected + 2) << pace;
        EXPECT_NEAR(progress.Progress(), tape / plan.tapeInches, 1e-12);
        const std::int64_t now = static_cast<std::int64_t>(pace * planAt);
        const double before = progress.SecondsLeft();
        progress.ElapsedChanged(now + 10);
        EXPECT_NEAR(progress.SecondsLeft(), before - 10, 1.01) << pace;
    }
    progress.RunEnded(RunEnd::Aborted);
}

// A pause stands the count still and is left out of the pace: with the
// machine 20 % slower than the plan and two minutes paused mid-run, time
// left is within 10 % of the truth at every layer.
TEST_F(BoardTest, TimeLeftStandsWhilePausedAndLeavesThePauseOut) {
    RunProgress progress(*env, params);
    progress.RunStarted(false);
    const RunPlan& plan = progress.Plan();
    ASSERT_GE(plan.layers, 4);
    const double kPace = 1.2;
    std::int64_t now = 0, paused = 0;
    auto to = [&](std::int64_t second) {
        clock.AdvanceMs(1000 * (second - now));
        now = second;
        progress.ElapsedChanged(now);
    };
    int checked = 0;
    for (const PlanMark& m : plan.marks) {
        to(std::llround(kPace * m.seconds) + paused);
        progress.ControllerAt({.inches = m.tape});
        if (m.layerEnd && m.layer < plan.layers) {
            const double truth = kPace * (plan.seconds - m.seconds);
            EXPECT_NEAR(progress.SecondsLeft(), truth, 0.10 * truth + 2) << "after layer " << m.layer;
            ++checked;
        }
        if (m.layer == plan.layers / 2 && m.layerEnd) {
            progress.PauseChanged(true);
            const double standing = progress.SecondsLeft();
            for (int s = 1; s <= 120; ++s) {
                to(now + 1);
                ASSERT_EQ(progress.SecondsLeft(), standing) << s << " s into the pause";
            }
            paused += 120;
            progress.PauseChanged(false);
        }
    }
    EXPECT_EQ(checked, plan.layers - 1);
    progress.RunEnded(RunEnd::Completed);
}

// The production record through a link: written to its target when the
// data folder is the user's alone, else not touched and the operator told.
TEST_F(BoardTest, ProductionRecordThroughALink) {
    RunFollowers runs(*env, params, *engine);
    RunRecord& record = runs.record;
    plyx::test::TempDir elsewhere;
    elsewhere.Write("runs.csv", "");
    ASSERT_EQ(::symlink(elsewhere.File("runs.csv").c_str(), record.FilePath().c_str()), 0);
    for (const mode_t mode : {0777, 0755}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(env->GetDataDirectory().c_str(), mode), 0);
        dialogs.messages.clear();
        engine->Events().RunStarted(false);
        engine->Events().RunEnded(RunEnd::Completed);
        EXPECT_EQ(ParseCsv(elsewhere.Read("runs.csv")).size(), mode == 0777 ? 0u : 2u);
        ASSERT_EQ(dialogs.messages.size(), mode == 0777 ? 1u : 0u);
        if (mode == 0777) {
            EXPECT_EQ(dialogs.messages[0].text.rfind("A symbolic link that others could have made or changed", 0), 0u);
        }
    }
}

// Aborts from the window and by the panel's latched input (read at once),
// and one line per run in the production record, read back as CSV.
TEST_F(SimulatedRunTest, AbortsAndTheProductionRecord) {
    params.cTLC = 2;
    env->ComPortName = "COM3";
    env->PerPortPrefix = "C3.";
    params.CurrentShellFile = "/shells/a, \"b\".cfg";  // needs quoting
    RunFollowers followers(*env, params, *engine);
    RunRecord& record = followers.record;
    const struct { std::function<void(int)> trigger; bool burnish; const char *kind, *outcome; } runs[] = {{nullptr, false, "full", "completed"},
                {[&](int n) {
                     if (n == 10) {
                         record.NoteAbortFromWindow();
                         engine->AbortRun();
                     }
                 },
                 false, "full", "aborted from the window"},
                {[&](int n) {
                     if (n == 6) board->Latch(board->AbortLatchBit());
                 },
                 false, "full", "aborted from the panel (ABORT)"},
                {[&](int n) {
                     if (n == 6) board->Press(sim::Switch::Stop);
                     if (globals.RunState == kRunAbortRequested) board->Release(sim::Switch::Stop);
                 },
                 false, "full", "aborted from the panel (STOP)"},
                {nullptr, true, "burnish", "completed"}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.outcome);
        status.calls.clear();
        board->ClearMoves();
        pump.dispatches = 0;
        const std::uint64_t resets = board->State().counters.resets;
        script = run.trigger;
        clock.AdvanceMs(5000);
        engine->StartRun(run.burnish);
        const bool whole = run.trigger == nullptr;
        if (whole)
            ExpectPlanThenSlowDown(BoardMoves(), PlannedSegments(run.burnish));
        else
            EXPECT_LT(BoardMoves().size(), PlannedSegments().size());
        EXPECT_EQ(AbortingShown(), whole ? 0 : 1);
        EXPECT_EQ(board->State().counters.resets, resets + 2);
        EXPECT_EQ(board->State().latched, 0u);
        EXPECT_EQ(globals.RunState, kRunIdle);
        EXPECT_TRUE(mainWindow.visible);
    }
    // Every run has its line: the next start finds no run to call interrupted.
    record.RecordInterruptedRun();

    const auto rows = ParseCsv(*platform::ReadWholeFile(record.FilePath()));
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(CsvLine(rows[0]), RunRecord::kHeader);
    for (std::size_t i = 0; i < std::size(runs); ++i) {
        SCOPED_TRACE(i);
        const std::vector<std::string>& r = rows[i + 1];
        ASSERT_EQ(r.size(), 14u);
        EXPECT_EQ((std::vector<std::string>{r[2], r[4], r[5], r[6], r[11], r[12] + r[13]}),
                  (std::vector<std::string>{"COM3", params.CurrentShellFile, runs[i].kind, "2", runs[i].outcome, ""}));
        EXPECT_LE(r[0], r[1]);  // ISO 8601 sorts as time
        const double planned = std::stod(r[8]), laid = std::stod(r[9]);
        if (runs[i].trigger == nullptr) {
            EXPECT_EQ(r[7], r[6]);
            EXPECT_NEAR(laid, planned, 0.5);  // all but the last slow-down moves
        } else {
            EXPECT_LT(std::stoi(r[7]), std::stoi(r[6]));
            EXPECT_LT(laid, planned / 2);
        }
    }
}

// An error's text of several lines is one record line, its lines joined.
TEST_F(BoardTest, AnErrorIsOneRecordLine) {
    RunFollowers runs(*env, params, *engine);
    engine->Events().RunStarted(false);
    engine->Events().RunFailed(-2147191500, "Error 4 reported by ZentrovaCom.ReadToDone\r\nFailed to synchronize\nlast");
    const auto rows = ParseCsv(*platform::ReadWholeFile(runs.record.FilePath()));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ((std::vector<std::string>{rows[1][11], rows[1][12], rows[1][13]}),
              (std::vector<std::string>{"error", "-2147191500",
                                        "Error 4 reported by ZentrovaCom.ReadToDone / Failed to synchronize / last"}));
}

// What an observer of the run hears: the start, each layer once as the
// controller reaches it, what it ran (never more than it accepted, never
// going back), a pause and its end, the stop sequence, then the end; and
// nothing between runs.
TEST_F(SimulatedRunTest, ObserversHearTheRunAsTheControllerRanIt) {
    params.cTLC = 3;
    struct Heard final : RunObserver {
        std::string events;
        std::vector<std::int32_t> layers;
        ControllerReport last;
        bool wentBack = false, ranAhead = false;
        void RunStarted(bool burnish) override { events += burnish ? "B" : "S"; }
        void LayerStarted(std::int32_t layer) override { layers.push_back(layer); }
        void ControllerAt(const ControllerReport& at) override {
            wentBack = wentBack || at.movesRun < last.movesRun || at.inches < last.inches;
            ranAhead = ranAhead || at.movesRun > at.movesQueued;
            last = at;
        }
        void PauseChanged(bool paused) override { events += paused ? "P" : "R"; }
        void Stopping() override { events += "s"; }
        void RunEnded(RunEnd how) override { events += how == RunEnd::Completed ? "C" : "A"; }
    } heard;
    engine->Events().Subscribe(&heard);
    script = [&](int n) {
        if (n == 20) engine->PauseRun();
        if (n == 25) engine->RestartRun();
    };
    engine->StartRun(false);
    engine->Events().Unsubscribe(&heard);
    EXPECT_EQ(heard.events, "SPRsC");
    EXPECT_EQ(heard.layers, (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_FALSE(heard.wentBack);
    EXPECT_FALSE(heard.ranAhead);
    EXPECT_GT(heard.last.movesQueued, static_cast<std::int64_t>(PlannedSegments().size()) - 5);
    EXPECT_EQ(heard.last.movesRun, heard.last.movesQueued);
}

// Asked to end (a signal) while the stop sequence waits for the queue: the
// reset drops plan moves, so the run is no completed one.
TEST_F(SimulatedRunTest, QuitInTheStopSequenceIsNoCompletedRun) {
    params.cTLC = 2;
    RunFollowers runs(*env, params, *engine);
    script = [&](int) { pump.quit = pump.quit || globals.RunState == kRunStopping; };
    engine->StartRun(false);
    const auto rows = ParseCsv(*platform::ReadWholeFile(runs.record.FilePath()));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][11], "ended by a signal");
}

// A run the program never saw end (killed at layer 2, the board running on):
// the next start records it as interrupted, from the journal, once, and
// keeps the journal for a resume; a torn or foreign journal is no run.
TEST_F(SimulatedRunTest, AKilledRunIsRecordedAtTheNextStart) {
    params.cTLC = 3;
    env->ComPortName = "COM3";
    const std::string journalPath = JournalPath(*env);
    {
        RunFollowers killed(*env, params, *engine);
        script = [&](int n) {
            if (n == 1) clock.AdvanceMs(60000);
            // The program is gone: nothing stops the board, no event ends the run.
            if (engine->ControllerPass() == 2) throw app::ProgramExit(9);
        };
        EXPECT_THROW(engine->StartRun(false), app::ProgramExit);
        script = nullptr;
    }
    ASSERT_TRUE(platform::FileExists(journalPath));
    const std::optional<JournalEntry> left = RunJournal(journalPath).Read();
    ASSERT_TRUE(left);
    EXPECT_EQ(std::make_tuple(left->outcome, left->recorded, left->layerReached, left->positionKnown),
              std::make_tuple(std::string(), false, 2, true));
    RunProgress none(*env, params);
    RunRecord next(*env, params, globals, none);
    next.RecordInterruptedRun();
    next.RecordInterruptedRun();
    const std::optional<JournalEntry> kept = RunJournal(journalPath).Read();
    ASSERT_TRUE(kept);
    EXPECT_EQ(std::make_tuple(kept->outcome, kept->recorded, kept->layerReached, kept->movesRun),
              std::make_tuple(std::string("interrupted"), true, 2, left->movesRun));
    const auto rows = ParseCsv(*platform::ReadWholeFile(next.FilePath()));
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<std::string>& r = rows[1];
    ASSERT_EQ(r.size(), 14u);
    EXPECT_EQ((std::vector<std::string>{r[2], r[5], r[6], r[7], r[10], r[11]}),
              (std::vector<std::string>{"COM3", "full", "3", "2", "60", "interrupted"}));
    EXPECT_GT(std::stod(r[9]), 0);
    EXPECT_LT(std::stod(r[9]), std::stod(r[8]));

    JournalEntry e;
    e.start = 100;
    e.updated = 160;
    e.port = "COM3\r\nX";
    e.layersPlanned = 6;
    e.layerReached = 2;
    e.tapePlannedInches = 1500.5;
    e.tapeLaidInches = 300.25;
    const std::string text = JournalText(e);
    const std::optional<JournalEntry> back = ParseJournal(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::make_tuple(back->start, back->updated, back->port, back->layerReached, back->tapeLaidInches),
              std::make_tuple(e.start, e.updated, std::string("COM3X"), 2, 300.25));
    // A link in the journal's place is taken away, its target left alone.
    plyx::test::TempDir elsewhere;
    elsewhere.Write("victim", text);
    RunJournal(journalPath).Remove();
    ASSERT_EQ(::symlink(elsewhere.File("victim").c_str(), journalPath.c_str()), 0);
    next.RecordInterruptedRun();
    EXPECT_FALSE(platform::IsSymlink(journalPath));
    EXPECT_EQ(elsewhere.Read("victim"), text);
    EXPECT_EQ(ParseCsv(*platform::ReadWholeFile(next.FilePath())).size(), 2u);
    for (const std::string& bad : {text.substr(0, text.size() / 2), std::string("start=1\n"), std::string(),
                                   text + "layer_reached=-1\n", text + "tape_laid_in=nan\n",
                                   text + "updated=5\n"})
        EXPECT_FALSE(ParseJournal(bad)) << bad;
}

// A plan far longer than its marks: the counts, tape and time are those of
// every move, the marks stay bounded and still place every layer's end
// exactly (against a plan that keeps a mark per move). A move limit cuts
// planning short and makes the run one to ask about.
TEST_F(BoardTest, LongPlansStayBoundedAndExact) {
    params.cTLC = 7;
    params.cMRC = 60;
    const RunPlan every = RecordRunPlan(*env, params, kFamily4Axis, false, {.keepMoves = true});
    const RunPlan plan = RecordRunPlan(*env, params, kFamily4Axis, false, {.maxMarks = 64});
    ASSERT_EQ(every.marks.size(), every.moves.size());
    ASSERT_GT(plan.moveCount, 300);
    EXPECT_TRUE(plan.moves.empty());
    EXPECT_LT(plan.marks.size(), 64u);
    EXPECT_EQ(plan.moveCount, every.moveCount);
    double seconds = 0;
    for (double s : EstimateMoveSeconds(every.moves, every.startStopRate, every.rampRate)) seconds += s;
    EXPECT_NEAR(plan.seconds, seconds, 1e-9 * seconds);
    EXPECT_DOUBLE_EQ(plan.tapeInches, every.tapeInches);
    std::int32_t ends = 0;
    for (const PlanMark& m : plan.marks) {
        const PlanMark& exact = every.marks[static_cast<std::size_t>(m.move - 1)];
        EXPECT_EQ(std::make_tuple(m.layer, m.layerEnd, m.tape, m.x, m.y),
                  std::make_tuple(exact.layer, exact.layerEnd, exact.tape, exact.x, exact.y));
        ends += m.layerEnd ? 1 : 0;
    }
    EXPECT_EQ(ends, plan.layers);
    // Between two marks the time is interpolated: never off by more than their distance.
    double span = plan.marks.front().seconds;
    for (std::size_t i = 1; i < plan.marks.size(); ++i)
        span = std::max(span, plan.marks[i].seconds - plan.marks[i - 1].seconds);
    ASSERT_LT(span, plan.seconds / 20);
    for (const PlanMark& m : every.marks) {
        EXPECT_EQ(plan.LayerAtTape(m.tape), every.LayerAtTape(m.tape)) << m.move;
        EXPECT_NEAR(plan.SecondsAtTape(m.tape), m.seconds, span) << m.move;
    }
    EXPECT_FALSE(IsLargeRun(plan));

    const RunPlan cut = RecordRunPlan(*env, params, kFamily4Axis, false, {.moveLimit = 100});
    EXPECT_TRUE(cut.cutShort);
    EXPECT_EQ(cut.moveCount, 100);
    EXPECT_TRUE(IsLargeRun(cut));
}

// A run of 26 hours (rates a thirtieth of the usual) starts only once the
// operator says OK, told its moves and time; Cancel sends the board nothing.
TEST_F(SimulatedRunTest, AVeryLongRunStartsOnlyWhenTheOperatorSaysSo) {
    params.cTLC = 2;
    const RunPlan usual = RecordRunPlan(*env, params, kFamily4Axis, false);
    EXPECT_TRUE(ConfirmLargeRun(*env, params, false));
    EXPECT_TRUE(dialogs.messages.empty());
    params.zTRS = 0.03;
    params.cTLC = 10;
    const RunPlan slow = RecordRunPlan(*env, params, kFamily4Axis, false);
    ASSERT_GT(slow.seconds, kLargeRunSeconds);
    ASSERT_LT(usual.seconds, kLargeRunSeconds);
    engine->SetRunConfirmation([&](bool burnish) { return ConfirmLargeRun(*env, params, burnish); });
    for (const auto answer : {platform::MessageResult::Cancel, platform::MessageResult::Ok}) {
        dialogs.messages.clear();
        dialogs.answers = {answer};
        board->ClearMoves();
        script = [&](int n) { if (n == 20) engine->AbortRun(); };
        engine->StartRun(false);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        const std::string& text = dialogs.messages[0].text;
        EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::OkCancel);
        EXPECT_NE(text.find(" " + std::to_string(slow.moveCount) + " "), std::string::npos) << text;
        EXPECT_NE(text.find(ElapsedTimeText(static_cast<std::int64_t>(slow.seconds))), std::string::npos) << text;
        EXPECT_EQ(board->Moves().empty(), answer == platform::MessageResult::Cancel);
        EXPECT_TRUE(mainWindow.visible);
    }
    engine->SetRunConfirmation(nullptr);
}

}  // namespace
}  // namespace plyx::engine::test
