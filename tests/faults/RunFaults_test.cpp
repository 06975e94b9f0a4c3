// Faults during a real run on the 4-axis family: the board falls silent,
// garbles a reply, trips a limit input, loses replies, is unplugged, or its
// port is wanted by a second link. Each case states the outcome beside it;
// every case also checks that the run ends within the link's own limits,
// that the working log runs up to the fault, and that the settings file
// written at the run's start is intact.
#include <algorithm>
#include <thread>

#include "tests/faults/RunFaultFixture.h"

namespace plyx::engine::test {
namespace {

constexpr long long kGenerousMs = 5000;  // the link's limits are 1 s a reply; never near a hang

class FourAxisRunFault : public RunFaultTest {
protected:
    void SetUp() override {
        params.cTLC = 2;
        params.cMRC = 2;
        StartBoard();
        KeepSettingsBytes();
    }
};

// Silent mid-run: the board is in verbose mode during a run, so the first
// reply that never comes is "Failed to synchronize with board" (error 4)
// after FastIdleTime; the error leaves StartRun to the caller.
TEST_F(FourAxisRunFault, BoardSilentMidRun) {
    script = [&](int n) {
        if (n == 5) board->SetSilent(true);
    };
    RunOutcome out = Run();
    ASSERT_TRUE(out.error);
    EXPECT_EQ(out.Number(), 4);
    EXPECT_EQ(out.error->Source(), "ZentrovaCom.ReadToDone");
    EXPECT_EQ(out.Line(0), "Error 4 reported by ZentrovaCom.ReadToDone");
    EXPECT_EQ(out.Line(1), "Failed to synchronize with board");
    EXPECT_LT(out.ms, kGenerousMs);
    EXPECT_GT(board->Moves().size(), 0u);

    const std::string text = WorkLog();
    const std::size_t error = text.find("Error 4 reported by ZentrovaCom.ReadToDone");
    ASSERT_NE(error, std::string::npos) << text.substr(text.size() > 3000 ? text.size() - 3000 : 0);
    EXPECT_NE(LastBefore(text, " QUEUED:", error), std::string::npos);
    EXPECT_NE(LastBefore(text, " RCVD:", error), std::string::npos);
    EXPECT_NE(text.find("Starting run using shell file"), std::string::npos);
    ExpectSettingsIntact();
}

// Garbage inside an acknowledge (the first reply of the run, the reset's
// "*"): the reply still ends at its "*", the stray bytes are logged
// (control bytes in hex) and the run goes on to the end with every planned
// move on the board.
TEST_F(FourAxisRunFault, GarbageInsideAnAcknowledge) {
    board->ClearMoves();
    RunOutcome clean = Run();
    ASSERT_FALSE(clean.error) << clean.error->Description();
    const std::size_t planned = board->Moves().size();
    ASSERT_GT(planned, 3u);
    board->ClearMoves();

    board->InjectGarbage(std::string("\x01\xFE#junk\x7F", 8));
    RunOutcome out = Run();
    EXPECT_FALSE(out.error) << out.error->Description();
    EXPECT_EQ(out.otherError, "");
    EXPECT_LT(out.ms, kGenerousMs);
    EXPECT_EQ(board->Moves().size(), planned);
    EXPECT_EQ(board->State().counters.refusedMoves, 0u);
    EXPECT_EQ(globals.RunState, kRunIdle);
    const std::string text = WorkLog();
    const std::size_t junk = text.find(" RCVD:(0x01)(0xFE)#junk(0x7F)*");
    ASSERT_NE(junk, std::string::npos);
    EXPECT_NE(LastBefore(text, " QUEUED:!", junk), std::string::npos);
    ExpectSettingsIntact();
}

// Garbage inside a value report mid-run (here the latched-input report
// "R,L,0"): the value is no number, so the driver's conversion raises
// "Type mismatch" (not a board link error), which leaves StartRun at once;
// the main window's action handler reports it as error 13 and ends the
// program. The log holds the garbled reply.
TEST_F(FourAxisRunFault, GarbageInsideAValueReportMidRun) {
    script = [&](int n) {
        if (n == 5) board->InjectGarbage(std::string("\x01\xFE#junk\x7F", 8));
    };
    RunOutcome out = Run();
    EXPECT_FALSE(out.error);
    EXPECT_EQ(out.otherError, "Type mismatch");
    EXPECT_LT(out.ms, kGenerousMs);
    const std::string text = WorkLog();
    const std::size_t junk = text.find("(0x01)(0xFE)#junk(0x7F)");
    ASSERT_NE(junk, std::string::npos);
    EXPECT_NE(LastBefore(text, " RCVD:R,", junk), std::string::npos);
    ExpectSettingsIntact();
}

// A limit input trips while moving: the board stops and answers the stop
// with "~", the run is aborted (the abort button reads "Aborting"). While
// the input stays tripped the program waits with the switch dialog up,
// naming ABORT, and the event pump turning; once the input clears, the run
// ends in an orderly way with no error, short of its plan.
TEST_F(FourAxisRunFault, TrippedLimitInputAbortsTheRun) {
    int dialogTurns = 0;
    script = [&](int n) {
        if (n == 5) board->SetLimitInputs(1);
        if (switchDialog.visible && ++dialogTurns == 20) board->SetLimitInputs(0);
    };
    RunOutcome out = Run();
    EXPECT_FALSE(out.error) << out.error->Description();
    EXPECT_LT(out.ms, kGenerousMs);
    EXPECT_EQ(dialogTurns, 20);
    EXPECT_NE(std::find(switchDialog.calls.begin(), switchDialog.calls.end(), "ABORT"), switchDialog.calls.end());
    EXPECT_FALSE(switchDialog.visible);
    EXPECT_GE(std::count(status.calls.begin(), status.calls.end(), "Aborting"), 1);
    EXPECT_EQ(globals.RunState, kRunIdle);
    EXPECT_TRUE(mainWindow.visible);
    EXPECT_EQ(board->State().run, sim::RunState::Idle);
    const std::string text = WorkLog();
    const std::size_t tilde = text.find(" RCVD:(0x0D)(0x0A)~");
    ASSERT_NE(tilde, std::string::npos);
    EXPECT_NE(LastBefore(text, "PollWaitForMotorIdle wait has detected being in abort state", tilde),
              std::string::npos);
    EXPECT_NE(LastBefore(text, " QUEUED:Q", tilde), std::string::npos);
    ExpectSettingsIntact();
}

// Replies lost mid-run, as when the board restarts while a reply is due
// (the simulator cannot be power-cycled from outside; a restarted board
// says nothing about the command it lost): the program, waiting in verbose
// mode, reports error 4 "Failed to synchronize with board" in time.
TEST_F(FourAxisRunFault, RepliesLostMidRun) {
    script = [&](int n) {
        if (n == 5) board->DropReplies(1);
    };
    RunOutcome out = Run();
    ASSERT_TRUE(out.error);
    EXPECT_EQ(out.Number(), 4);
    EXPECT_EQ(out.Line(0), "Error 4 reported by ZentrovaCom.ReadToDone");
    EXPECT_EQ(out.Line(1), "Failed to synchronize with board");
    EXPECT_LT(out.ms, kGenerousMs);
    const std::string text = WorkLog();
    const std::size_t error = text.find("Error 4 reported by");
    ASSERT_NE(error, std::string::npos);
    EXPECT_NE(LastBefore(text, " QUEUED:", error), std::string::npos);
    ExpectSettingsIntact();
}

// The board restarts by itself mid-run (power dip, watchdog): it forgets
// its queue, rates and verbose mode, but the line stays up. Outcome: the
// replies the program reads look like a board that drained its queue, so
// the run streams every remaining move and ends normally, with no error
// and no hang; the moves that were queued at the restart are lost on the
// machine (the board's record shows them dropped). Nothing in the command
// set lets the program detect it, so this is the documented limit (the
// operator sees the machine stop). Moves take time here, so that the
// restart finds some queued.
TEST_F(FourAxisRunFault, BoardRestartsMidRun) {
    sim::SimOptions timed;
    timed.timeScale = 0.05;
    board.reset();
    boardLink.reset();
    engine->ReleaseDrivers();
    StartBoard(timed);
    const std::uint64_t r0 = board->State().counters.resets;
    RunOutcome clean = Run();
    ASSERT_FALSE(clean.error) << clean.error->Description();
    const std::size_t planned = board->Moves().size();
    const std::uint64_t r1 = board->State().counters.resets;
    board->ClearMoves();

    bool restarted = false;
    script = [&](int) {
        if (!restarted && board->State().queueFill >= 3) {
            board->Restart();
            restarted = true;
        }
    };
    RunOutcome out = Run();
    EXPECT_FALSE(out.error) << out.error->Description();
    EXPECT_EQ(out.otherError, "");
    EXPECT_LT(out.ms, kGenerousMs);
    EXPECT_EQ(globals.RunState, kRunIdle);
    // The run's own resets plus the restart; every planned move was sent.
    EXPECT_EQ(board->State().counters.resets - r1, (r1 - r0) + 1);
    ASSERT_EQ(board->Moves().size(), planned);
    // Dropped before the slow-down moves, which the final pause may cut.
    const std::vector<sim::MoveRecord> moves = board->Moves();
    EXPECT_TRUE(std::any_of(moves.begin(), moves.end() - 3,
                            [](const sim::MoveRecord& m) { return m.status == sim::MoveRecord::Dropped; }));
    ExpectSettingsIntact();
}

// Unplugged mid-run: error 7 from the link at once (not after a reply
// limit), and the log ends with the exchange and the error.
TEST_F(FourAxisRunFault, UnpluggedMidRun) {
    script = [&](int n) {
        if (n == 5) board->Unplug();
    };
    RunOutcome out = Run();
    EXPECT_GT(board->Moves().size(), 0u);  // the fault came mid-run
    ASSERT_TRUE(out.error);
    EXPECT_EQ(out.Number(), 7);
    EXPECT_EQ(out.Line(0), "Error 7 reported by " + out.error->Source());
    RecordProperty("source", out.error->Source());
    EXPECT_LT(out.ms, 2000);
    const std::string text = WorkLog();
    const std::size_t error = text.find("Error 7 reported by ");
    ASSERT_NE(error, std::string::npos);
    EXPECT_NE(LastBefore(text, " QUEUED:", error), std::string::npos);
    EXPECT_NE(LastBefore(text, " RCVD:", error), std::string::npos);
    // Every later use fails the same way, promptly.
    RunOutcome again = Timed([&] { engine->InitializeController(); });
    EXPECT_EQ(again.Number(), 7);
    EXPECT_LT(again.ms, 2000);
    ExpectSettingsIntact();
}

// Unplugged from a second thread while the run waits on the board (moves
// take time here): the same error 7, never a hang.
TEST_F(FourAxisRunFault, UnpluggedFromAnotherThreadWhileMoving) {
    sim::SimOptions slow;
    slow.timeScale = 0.01;
    board.reset();
    boardLink.reset();
    engine->ReleaseDrivers();
    StartBoard(slow);
    KeepSettingsBytes();
    std::thread unplug([&] {
        board->WaitFor([](const sim::SimState& s) { return s.run == sim::RunState::Moving; },
                       std::chrono::milliseconds(3000));
        board->Unplug();
    });
    RunOutcome out = Run();
    unplug.join();
    ASSERT_TRUE(out.error);
    EXPECT_EQ(out.Number(), 7);
    EXPECT_LT(out.ms, kGenerousMs);
    EXPECT_NE(WorkLog().find("Error 7 reported by "), std::string::npos);
    ExpectSettingsIntact();
}

// Unplugged while the run is paused from the panel: the pause wait polls
// the board, so the loss shows as error 7 at the next poll, not a wait
// that lasts until the operator presses START.
TEST_F(FourAxisRunFault, UnpluggedWhilePaused) {
    int pausedTurns = 0;
    script = [&](int n) {
        if (n == 3) board->Press(sim::Switch::Pause);
        if (globals.RunState == kRunPaused && ++pausedTurns == 3) board->Unplug();
    };
    RunOutcome out = Run();
    EXPECT_EQ(pausedTurns, 3);
    ASSERT_TRUE(out.error) << out.otherError;
    EXPECT_EQ(out.Number(), 7);
    EXPECT_LT(out.ms, 2000);
    EXPECT_TRUE(status.restartCaption);  // it was paused when the cable went
    const std::string text = WorkLog();
    const std::size_t error = text.find("Error 7 reported by ");
    ASSERT_NE(error, std::string::npos);
    EXPECT_NE(LastBefore(text, " RCVD:", error), std::string::npos);
    ExpectSettingsIntact();
}

// A second link opening the run's port mid-run is refused with error 6 and
// says why; the run itself goes on to its end undisturbed.
TEST_F(FourAxisRunFault, SecondLinkOnThePortInUse) {
    link::CommLog otherLog;
    link::ZentrovaCom other(otherLog);
    platform::serial::PortPaths paths;
    paths.dataDirectory = dataDir;
    paths.sysRoot = dir.File("sys");
    other.SetPortPaths(paths);
    std::optional<RunOutcome> second;
    script = [&](int n) {
        if (n == 5) second = Timed([&] { other.PortOpen("COM3"); });
    };
    RunOutcome out = Run();
    EXPECT_FALSE(out.error) << out.error->Description();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Number(), 6);
    EXPECT_EQ(second->Line(0), "Error 6 reported by ZentrovaCom.PortOpen");
    EXPECT_EQ(second->Line(1), "Failed to open COM port <\\\\.\\COM3>");
    ASSERT_TRUE(second->error);
    EXPECT_NE(second->error->Description().find(
                  "port in use by another program: close that program or choose another port"),
              std::string::npos);
    EXPECT_FALSE(other.PortIsOpen());
    EXPECT_EQ(globals.RunState, kRunIdle);
    EXPECT_EQ(board->State().counters.refusedMoves, 0u);
    ExpectSettingsIntact();
}

// Silent from the start: the first reset and idle wait of the controller
// set-up fail with error 4 within FastIdleTime, and nothing is queued.
class SilentFromTheStart : public RunFaultTest {};

TEST_F(SilentFromTheStart, InitializeControllerFailsPromptly) {
    StartBoard({}, false);
    board->SetSilent(true);
    RunOutcome out = Timed([&] { engine->InitializeController(); });
    ASSERT_TRUE(out.error);
    EXPECT_EQ(out.Number(), 4);
    EXPECT_EQ(out.Line(0), "Error 4 reported by ZentrovaCom.ReadToDone");
    EXPECT_EQ(out.Line(1), "Failed to synchronize with board");
    EXPECT_LT(out.ms, kGenerousMs);
    EXPECT_TRUE(board->Moves().empty());
    const std::string text = WorkLog();
    const std::size_t error = text.find("Error 4 reported by");
    ASSERT_NE(error, std::string::npos);
    EXPECT_NE(LastBefore(text, " QUEUED:", error), std::string::npos);
}

}  // namespace
}  // namespace plyx::engine::test
