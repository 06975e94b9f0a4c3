// Faults during a real run on the simulated board, through the real run
// engine, driver and board link on a pseudo-terminal: the board falls
// silent, garbles a reply, trips a limit input, loses replies, restarts, is
// unplugged, or its port is wanted by a second link. Every case also checks
// that the run ends within the link's own limits, that the working log runs
// up to the fault, and that the settings file written at the run's start is
// intact.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <thread>

#include "app/ParameterFiles.h"
#include "tests/faults/RunFaultFixture.h"

namespace plyx::engine::test {
namespace {

constexpr long long kGenerousMs = 5000;  // the link's limits are 1 s a reply; never near a hang

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Position of the last occurrence of what before the position limit, or npos.
std::size_t LastBefore(const std::string& text, const std::string& what, std::size_t limit) {
    if (limit == std::string::npos || limit == 0) return std::string::npos;
    return text.rfind(what, limit - 1);
}

// The settings file written as a run start writes it must come through
// every fault byte for byte, reading back to the run's values.
class FaultRun : public RunFaultTest {
protected:
    FaultRun() { params.cTLC = params.cMRC = 2; }
    void Start(sim::SimOptions options = {}) {
        StartBoard(std::move(options));
        ASSERT_TRUE(app::WriteParameterFile(*env, params, "", 0));
        settingsBytes = ReadBytes(app::GetSettingsFilePath(*env));
        ASSERT_FALSE(settingsBytes.empty());
    }
    void TearDown() override {
        const std::string path = app::GetSettingsFilePath(*env);
        EXPECT_EQ(ReadBytes(path), settingsBytes) << path;
        app::ParameterSet back;
        back.cTLC = back.cMRC = -1;
        back.zPD = -1;
        app::LoadParameterFile(*env, back, "");
        EXPECT_EQ(back.cTLC, params.cTLC);
        EXPECT_EQ(back.cMRC, params.cMRC);
        EXPECT_EQ(back.cMSPS, params.cMSPS);
        EXPECT_DOUBLE_EQ(back.zPD, params.zPD);
    }
    // A run that must end without an error within the link's limits.
    void RunWithoutError() {
        RunOutcome out = Run();
        EXPECT_FALSE(out.error) << out.error->Description();
        EXPECT_EQ(out.otherError, "");
        EXPECT_LT(out.ms, kGenerousMs);
        EXPECT_EQ(globals.RunState, kRunIdle);
    }
    std::string settingsBytes;
};

// The board is lost mid-run, on both families: silent (verbose mode during a
// run, so the first reply that never comes is error 4 after FastIdleTime), a
// reply lost as when the board restarts while one is due (error 4), or
// unplugged (error 7 at once, not after a reply limit; also while paused
// from the panel, where the pause wait's poll finds it). The error leaves
// StartRun to the caller, the log runs up to it, later uses fail alike.
struct LostBoardCase {
    const char* name;
    bool twoAxis;
    int error;
    // Runs at each turn of the event pump, with the turns spent paused so far.
    void (*fault)(sim::Simulator&, int turn, int pausedTurns);
};

class LostBoard : public FaultRun, public ::testing::WithParamInterface<LostBoardCase> {};

TEST_P(LostBoard, EndsTheRunWithTheLinksErrorInTime) {
    const LostBoardCase c = GetParam();
    sim::SimOptions options;
    if (c.twoAxis) {
        params.cTLC = 1;
        params.cMSPS = 8;  // what this family runs with: the settings file keeps it
        env->ControllerFamily = kFamily2Axis;
        options.firmwareName = "VT2D20NCRouter";
        options.versionText = "3.02";
    }
    Start(options);
    int pausedTurns = 0;
    script = [&](int n) {
        if (globals.RunState == kRunPaused) ++pausedTurns;
        c.fault(*board, n, pausedTurns);
    };
    RunOutcome out = Run();
    EXPECT_GT(board->Moves().size(), 0u);  // the fault came mid-run
    ASSERT_TRUE(out.error) << out.otherError;
    EXPECT_EQ(out.Number(), c.error);
    const std::string head = "Error " + std::to_string(c.error) + " reported by " +
                             (c.error == 4 ? "ZentrovaCom.ReadToDone\r\nFailed to synchronize with board"
                                           : out.error->Source()) + "\r\n";
    EXPECT_EQ(out.error->Description().rfind(head, 0), 0u) << out.error->Description();
    EXPECT_LT(out.ms, c.error == 7 ? 2000 : kGenerousMs);
    const bool pausing = std::string(c.name).find("Paused") != std::string::npos;
    EXPECT_EQ(pausedTurns, pausing ? 3 : 0);
    EXPECT_EQ(status.restartCaption, pausing);  // paused when the cable went
    const std::string text = LogText();
    const std::size_t error = text.find("Error " + std::to_string(c.error) + " reported by ");
    ASSERT_NE(error, std::string::npos) << text.substr(text.size() > 3000 ? text.size() - 3000 : 0);
    EXPECT_NE(LastBefore(text, " QUEUED:", error), std::string::npos);
    EXPECT_NE(LastBefore(text, " RCVD:", error), std::string::npos);
    EXPECT_NE(text.find("Starting run using shell file"), std::string::npos);
    if (c.error == 7) {
        RunOutcome again = Timed([&] { engine->InitializeController(); });
        EXPECT_EQ(again.Number(), 7);
        EXPECT_LT(again.ms, 2000);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LostBoard,
    ::testing::Values(
        LostBoardCase{"Silent", false, 4, [](sim::Simulator& b, int n, int) { if (n == 5) b.SetSilent(true); }},
        LostBoardCase{"ReplyLost", false, 4, [](sim::Simulator& b, int n, int) { if (n == 5) b.DropReplies(1); }},
        LostBoardCase{"Unplugged", false, 7, [](sim::Simulator& b, int n, int) { if (n == 5) b.Unplug(); }},
        LostBoardCase{"UnpluggedWhilePaused", false, 7,
                      [](sim::Simulator& b, int n, int paused) {
                          if (n == 3) b.Press(sim::Switch::Pause);
                          if (paused == 3) b.Unplug();
                      }},
        LostBoardCase{"TwoAxisSilent", true, 4, [](sim::Simulator& b, int n, int) { if (n == 3) b.SetSilent(true); }},
        LostBoardCase{"TwoAxisUnplugged", true, 7, [](sim::Simulator& b, int n, int) { if (n == 3) b.Unplug(); }}),
    [](const ::testing::TestParamInfo<LostBoardCase>& i) { return std::string(i.param.name); });

// Garbage inside an acknowledge (the first reply of the run, the reset's
// "*"): the reply still ends at its "*", the stray bytes are logged
// (control bytes in hex) and the run goes on to the end with every planned
// move on the board.
TEST_F(FaultRun, GarbageInsideAnAcknowledge) {
    Start();
    board->ClearMoves();
    board->InjectGarbage(std::string("\x01\xFE#junk\x7F", 8));
    RunWithoutError();
    ExpectPlanThenSlowDown(BoardMoves(), PlannedSegments());
    EXPECT_EQ(board->State().counters.refusedMoves, 0u);
    const std::string text = LogText();
    const std::size_t junk = text.find(" RCVD:(0x01)(0xFE)#junk(0x7F)*");
    ASSERT_NE(junk, std::string::npos);
    EXPECT_NE(LastBefore(text, " QUEUED:!", junk), std::string::npos);
}

// Garbage inside a value report mid-run (here the latched-input report
// "R,L,0"): the value is no number, so the driver's conversion raises
// "Type mismatch" (not a board link error), which leaves StartRun at once;
// the main window's action handler reports it as error 13 and ends the
// program. The log holds the garbled reply.
TEST_F(FaultRun, GarbageInsideAValueReportMidRun) {
    Start();
    script = [&](int n) {
        if (n == 5) board->InjectGarbage(std::string("\x01\xFE#junk\x7F", 8));
    };
    RunOutcome out = Run();
    EXPECT_FALSE(out.error);
    EXPECT_EQ(out.otherError, "Type mismatch");
    EXPECT_LT(out.ms, kGenerousMs);
    const std::string text = LogText();
    const std::size_t junk = text.find("(0x01)(0xFE)#junk(0x7F)");
    ASSERT_NE(junk, std::string::npos);
    EXPECT_NE(LastBefore(text, " RCVD:R,", junk), std::string::npos);
}

// A limit input trips while moving: the board stops and answers the stop
// with "~", the run is aborted (the abort button reads "Aborting"). While
// the input stays tripped the program waits with the switch dialog up,
// naming ABORT, and the event pump turning; once the input clears, the run
// ends in an orderly way with no error, short of its plan.
TEST_F(FaultRun, TrippedLimitInputAbortsTheRun) {
    Start();
    int dialogTurns = 0;
    script = [&](int n) {
        if (n == 5) board->SetLimitInputs(1);
        if (switchDialog.visible && ++dialogTurns == 20) board->SetLimitInputs(0);
    };
    RunWithoutError();
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

// The board restarts by itself mid-run (power dip, watchdog): it forgets
// its queue, rates and verbose mode, but the line stays up. The replies the
// program reads look like a board that drained its queue, so the run streams
// every remaining move and ends normally; the moves queued at the restart
// are lost on the machine (the board's record shows them dropped). Nothing
// in the command set lets the program detect it: the documented limit (the
// operator sees the machine stop). Moves take time here, so that the
// restart finds some queued.
TEST_F(FaultRun, BoardRestartsMidRun) {
    Start(sim::SimOptions{.timeScale = 0.05});
    const std::uint64_t r0 = board->State().counters.resets;
    bool restarted = false;
    script = [&](int) {
        if (!restarted && board->State().queueFill >= 3) {
            board->Restart();
            restarted = true;
        }
    };
    RunWithoutError();
    // The run's own two resets (start and end) plus the restart; every
    // planned move was sent.
    EXPECT_EQ(board->State().counters.resets - r0, 3u);
    ExpectPlanThenSlowDown(BoardMoves(), PlannedSegments());
    // Dropped before the slow-down moves, which the final pause may cut.
    const std::vector<sim::MoveRecord> moves = board->Moves();
    EXPECT_TRUE(std::any_of(moves.begin(), moves.end() - 3,
                            [](const sim::MoveRecord& m) { return m.status == sim::MoveRecord::Dropped; }));
}

// Unplugged from a second thread while the run waits on the board (moves
// take time here): the same error 7, never a hang.
TEST_F(FaultRun, UnpluggedFromAnotherThreadWhileMoving) {
    Start(sim::SimOptions{.timeScale = 0.01});
    std::thread unplug([&] {
        board->WaitFor([](const sim::SimState& s) { return s.run == sim::RunState::Moving; },
                       std::chrono::milliseconds(3000));
        board->Unplug();
    });
    RunOutcome out = Run();
    unplug.join();
    EXPECT_EQ(out.Number(), 7);
    EXPECT_LT(out.ms, kGenerousMs);
    EXPECT_NE(LogText().find("Error 7 reported by "), std::string::npos);
}

// A second link opening the run's port mid-run is refused with error 6; the
// run itself goes on to its end undisturbed.
TEST_F(FaultRun, SecondLinkOnThePortInUse) {
    Start();
    link::CommLog otherLog;
    link::ZentrovaCom other(otherLog);
    other.SetPortPaths(Paths());
    std::optional<RunOutcome> second;
    script = [&](int n) {
        if (n == 5) second = Timed([&] { other.PortOpen("COM3"); });
    };
    RunWithoutError();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Number(), 6);
    EXPECT_FALSE(other.PortIsOpen());
    EXPECT_EQ(board->State().counters.refusedMoves, 0u);
}

}  // namespace
}  // namespace plyx::engine::test
