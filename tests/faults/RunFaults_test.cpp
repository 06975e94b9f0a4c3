// Faults during a real run on the simulated board. The run must end within
// the link's limits, the log run up to the fault, the settings file stay.
#include <chrono>
#include <cstdio>

#include "app/ParameterFiles.h"
#include "engine/LostMovesError.h"
#include "engine/plan/RunPlan.h"
#include "engine/plan/RunFollowers.h"
#include "platform/Files.h"
#include "tests/faults/RunFaultFixture.h"

namespace plyx::engine::test {
namespace {

constexpr long long kGenerousMs = 5000;  // the link's limits are 1 s a reply; never near a hang

// The last occurrence of what before limit, or npos.
std::size_t LastBefore(const std::string& text, const std::string& what, std::size_t limit) {
    if (limit == std::string::npos || limit == 0) return std::string::npos;
    return text.rfind(what, limit - 1);
}

class FaultRun : public RunFaultTest {
protected:
    FaultRun() { params.cTLC = params.cMRC = 2; }
    void Start(sim::SimOptions options = {}) {
        StartBoard(std::move(options));
        ASSERT_TRUE(app::WriteParameterFile(*env, params, "", 0));
        settings = platform::ReadWholeFile(app::GetSettingsFilePath(*env));
        ASSERT_TRUE(settings && !settings->empty());
    }
    void TearDown() override { EXPECT_EQ(platform::ReadWholeFile(app::GetSettingsFilePath(*env)), settings); }
    std::optional<std::string> settings;
};

// The board lost mid-run: silent (error 4 after FastIdleTime), a reply lost
// (error 4), unplugged (error 7 at once; also while paused): the error leaves
// StartRun, later uses fail alike. Garbage inside the reset's "*" (turn 0)
// still ends at it; inside a value report ("R,L,0") it is "Type mismatch".
// The log shows the fault (control bytes in hex) after what led to it.
struct FaultCase {
    const char *name, *otherError;
    bool twoAxis;
    int error;
    const char* mark;  // in the log (empty: "Error <n> reported by "), after each of:
    std::vector<const char*> before;
    // At each turn of the event pump, with the turns spent paused so far.
    void (*fault)(sim::Simulator&, int turn, int pausedTurns);
    // What the operator is told of the machine after the error: stopped and
    // reset (1250) or maybe still moving (1251).
    text::ResourceId machineText = 0;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class LostBoard : public FaultRun, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(LostBoard, EndsTheRunAsTheFaultDemandsInTime) {
    const FaultCase c = GetParam();
    if (c.twoAxis) {
        params.cTLC = 1;
        params.cMSPS = 8;  // what this family runs with: the settings file keeps it
        env->ControllerFamily = kFamily2Axis;
    }
    Start(c.twoAxis ? sim::SimOptions{.firmwareName = "VT2D20NCRouter", .versionText = "3.02"} : sim::SimOptions{});
    int pausedTurns = 0;
    script = [&](int n) {
        if (globals.RunState == kRunPaused) ++pausedTurns;
        c.fault(*board, n, pausedTurns);
    };
    c.fault(*board, 0, 0);
    RunOutcome out = Run();
    EXPECT_GT(board->Moves().size(), 0u);
    EXPECT_EQ(out.Number(), c.error);
    EXPECT_EQ(out.otherError, c.otherError);
    EXPECT_LT(out.ms, c.error == 7 ? 2000 : kGenerousMs);
    const std::string error = "Error " + std::to_string(c.error) + " reported by ";
    if (c.error != 0) {
        ASSERT_TRUE(out.error);
        const std::string head = error + (c.error == 4 ? "ZentrovaCom.ReadToDone\r\nFailed to synchronize with board"
                                                       : out.error->Source()) + "\r\n";
        EXPECT_EQ(out.error->Description().rfind(head, 0), 0u) << out.error->Description();
    } else if (*c.otherError == 0) {
        ExpectPlanThenSlowDown(BoardMoves(), PlannedSegments());
    }
    const bool pausing = std::string(c.name).find("Paused") != std::string::npos;
    EXPECT_EQ(pausedTurns, pausing ? 3 : 0);
    EXPECT_EQ(status.restartCaption, pausing);  // paused when the cable went
    const std::string text = LogText();
    const std::size_t mark = text.find(*c.mark ? c.mark : error);
    ASSERT_NE(mark, std::string::npos) << text.substr(text.size() > 3000 ? text.size() - 3000 : 0);
    for (const char* before : c.before) EXPECT_NE(LastBefore(text, before, mark), std::string::npos) << before;
    EXPECT_NE(text.find("Starting run using shell file"), std::string::npos);
    if (c.machineText != 0) {
        // The program must not leave the board running on unwatched: where it
        // still answers, its queue is gone and it stands; where not, the
        // operator is told to press ABORT.
        if (c.machineText == 1250) {
            EXPECT_EQ(board->State().queueFill, 0);
            EXPECT_EQ(board->State().run, sim::RunState::Idle);
            EXPECT_TRUE(Logged("Controller stopped and reset after the error"));
        } else {
            EXPECT_NE(text.find("--->The controller did not take the stop: "), std::string::npos);
        }
        EXPECT_EQ(engine->StopAfterError(), env->GetResourceText(c.machineText));
    }
    if (c.error == 7) {
        RunOutcome again = Timed([&] { engine->InitializeController(); });
        EXPECT_EQ(again.Number(), 7);
        EXPECT_LT(again.ms, 2000);
    }
}

const std::vector<const char*> kSentAndReceived = {" QUEUED:", " RCVD:"};

INSTANTIATE_TEST_SUITE_P(
    Faults, LostBoard,
    ::testing::Values(
        FaultCase{"Silent", "", false, 4, "", kSentAndReceived,
                  [](sim::Simulator& b, int n, int) { if (n == 5) b.SetSilent(true); }, 1251},
        FaultCase{"ReplyLost", "", false, 4, "", kSentAndReceived,
                  [](sim::Simulator& b, int n, int) { if (n == 5) b.DropReplies(1); }, 1250},
        FaultCase{"Unplugged", "", false, 7, "", kSentAndReceived,
                  [](sim::Simulator& b, int n, int) { if (n == 5) b.Unplug(); }, 1251},
        FaultCase{"UnpluggedWhilePaused", "", false, 7, "", kSentAndReceived,
                  [](sim::Simulator& b, int n, int paused) {
                      if (n == 3) b.Press(sim::Switch::Pause);
                      if (paused == 3) b.Unplug();
                  }, 1251},
        FaultCase{"TwoAxisSilent", "", true, 4, "", kSentAndReceived,
                  [](sim::Simulator& b, int n, int) { if (n == 3) b.SetSilent(true); }, 1251},
        FaultCase{"TwoAxisUnplugged", "", true, 7, "", kSentAndReceived,
                  [](sim::Simulator& b, int n, int) { if (n == 3) b.Unplug(); }, 1251},
        FaultCase{"GarbageInsideAnAcknowledge", "", false, 0, " RCVD:(0x01)(0xFE)#junk(0x7F)*", {" QUEUED:!"},
                  [](sim::Simulator& b, int n, int) { if (n == 0) b.InjectGarbage(std::string("\x01\xFE#junk\x7F", 8)); }},
        FaultCase{"GarbageInsideAValueReport", "Type mismatch", false, 0, "(0x01)(0xFE)#junk(0x7F)", {" RCVD:R,"},
                  [](sim::Simulator& b, int n, int) { if (n == 5) b.InjectGarbage(std::string("\x01\xFE#junk\x7F", 8)); }, 1250}),
    [](const ::testing::TestParamInfo<FaultCase>& i) { return std::string(i.param.name); });

// A tripped limit input: the board answers the stop with "~", the run is
// aborted, waiting with the switch dialog naming ABORT until it clears.
TEST_F(FaultRun, TrippedLimitInputAbortsTheRun) {
    Start();
    int dialogTurns = 0;
    script = [&](int n) {
        if (n == 5) board->SetLimitInputs(1);
        if (switchDialog.visible && ++dialogTurns == 20) board->SetLimitInputs(0);
    };
    RunOutcome out = Run();
    EXPECT_EQ(out.Number(), 0);
    EXPECT_EQ(out.otherError, "");
    EXPECT_LT(out.ms, kGenerousMs);
    EXPECT_EQ(globals.RunState, kRunIdle);
    EXPECT_EQ(dialogTurns, 20);
    EXPECT_NE(std::find(switchDialog.calls.begin(), switchDialog.calls.end(), "ABORT"), switchDialog.calls.end());
    EXPECT_FALSE(switchDialog.visible);
    EXPECT_GE(std::count(status.calls.begin(), status.calls.end(), "Aborting"), 1);
    EXPECT_TRUE(mainWindow.visible);
    EXPECT_LT(BoardMoves().size(), PlannedSegments().size());
    EXPECT_EQ(board->State().run, sim::RunState::Idle);
    const std::string text = LogText();
    const std::size_t tilde = text.find(" RCVD:(0x0D)(0x0A)~");
    ASSERT_NE(tilde, std::string::npos);
    EXPECT_NE(LastBefore(text, "PollWaitForMotorIdle wait has detected being in abort state", tilde),
              std::string::npos);
    EXPECT_NE(LastBefore(text, " QUEUED:Q", tilde), std::string::npos);
}

// A controller that restarts mid-run drops the moves it held and counts
// them as done. The program finds it at its next look at the queue, long
// before the next layer: the run ends as on a board error (stopped, the
// record's error), naming how many moves were lost and the layer the head
// had reached, on boards with queues of 30 and 9 and on the 2-axis board.
struct RestartCase {
    const char* name;
    sim::SimOptions board;
    std::int32_t family;
    bool powerCycle = false;  // its position counters cleared too
};

void PrintTo(const RestartCase& c, std::ostream* os) { *os << c.name; }

class RestartedBoard : public FaultRun, public ::testing::WithParamInterface<RestartCase> {};

TEST_P(RestartedBoard, IsFoundAtOnceAndEndsTheRunAsAnError) {
    const RestartCase c = GetParam();
    params.cTLC = 3;
    env->ControllerFamily = c.family;
    if (c.family == kFamily2Axis) params.cMSPS = 8;
    Start(c.board);
    const RunPlan plan = RecordRunPlan(*env, params, c.family, false, {.keepMoves = true});
    std::size_t ranAtRestart = 0;
    std::uint64_t droppedAtRestart = 0;
    std::chrono::steady_clock::time_point restartedAt;
    script = [&](int) {
        const sim::SimState s = board->State();
        // Mid-layer 2, with the queue full.
        if (ranAtRestart == 0 && s.counters.movesRan > plan.moves.size() / 2 && s.queueFill >= 4) {
            const std::uint64_t before = s.counters.movesDropped;
            if (c.powerCycle)
                board->PowerCycle();
            else
                board->Restart();
            restartedAt = std::chrono::steady_clock::now();
            ranAtRestart = board->State().counters.movesRan;
            droppedAtRestart = board->State().counters.movesDropped - before;
        }
    };
    RunFollowers runs(*env, params, *engine);
    RunRecord& record = runs.record;
    RunOutcome out = Run();
    ASSERT_NE(ranAtRestart, 0u) << "the queue never filled";
    ASSERT_TRUE(out.error) << out.otherError;
    EXPECT_EQ(out.Number(), LostMovesError::kNumber) << out.error->Description();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - restartedAt).count(),
              kGenerousMs);
    // The outcome keeps the error as the link's kind: the numbers are read from its text.
    long long lost = -1;
    int layer = -1;
    const std::string& text = out.error->Description();
    const std::size_t at = text.find("The controller lost ");
    ASSERT_NE(at, std::string::npos) << text;
    ASSERT_EQ(std::sscanf(text.c_str() + at, "The controller lost %lld moves it had accepted; the shell is wound up to layer %d",
                          &lost, &layer), 2) << text;
    EXPECT_NEAR(static_cast<double>(lost), static_cast<double>(droppedAtRestart), 1.0);
    EXPECT_EQ(layer, plan.marks[ranAtRestart - 1].layer);
    // The record's progress is what ran, not what the emptied queue claims.
    engine->Events().RunFailed(out.error->SignedNumber(), text);
    ASSERT_TRUE(record.LastRun());
    EXPECT_EQ(record.LastRun()->layersReached, layer);
    EXPECT_LT(record.LastRun()->laidInches, plan.marks[std::min(ranAtRestart + 2, plan.marks.size()) - 1].tape);
    // Nothing reported as run that did not: far fewer moves ran than planned,
    // and the board was stopped, not left to run what it took after the restart.
    EXPECT_LT(board->State().counters.movesRan, plan.moves.size());
    EXPECT_EQ(board->State().queueFill, 0);
    EXPECT_EQ(engine->StopAfterError(), env->GetResourceText(1250));
    EXPECT_NE(LogText().find("--->The controller lost " + std::to_string(lost) + " moves it had accepted (head at X="),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Restarts, RestartedBoard,
    ::testing::Values(RestartCase{"QueueOf30", {.timeScale = 0.1}, kFamily4Axis},
                      RestartCase{"QueueOf9", {.versionText = "2.14", .queueCapacity = 9, .timeScale = 0.1}, kFamily4Axis},
                      RestartCase{"TwoAxis", {.firmwareName = "VT2D20NCRouter", .versionText = "3.02", .timeScale = 0.1},
                                  kFamily2Axis},
                      RestartCase{"PowerCycle", {.timeScale = 0.1}, kFamily4Axis, true}),
    [](const ::testing::TestParamInfo<RestartCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace plyx::engine::test
