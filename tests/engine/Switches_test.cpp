// Pause, restart and abort from the panel switches, the window buttons and
// the controller's reports; lamps; the switch dialog.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

// Active-low input word with these switches closed.
std::int32_t Closed(std::int32_t switchBits) { return 15 & ~switchBits; }

class SwitchTest : public EngineTest {
protected:
    SwitchTest() {
        engine->ComputeRunConstants();
        engine->InitializeController();
    }
    void StartRunning() {
        globals.RunState = kRunRunning;
        engine->SetLampMode(3);
        ctl.moving = true;
    }
};

TEST_F(SwitchTest, LampModes) {
    // Modes 3 to 5 (running, paused, stopping) are checked along with runs.
    const std::pair<std::int16_t, std::int32_t> table[] = {{2, 9}, {1, 0}, {6, 0}, {-1, 0}};
    for (auto [mode, bits] : table) {
        engine->SetLampMode(mode);
        EXPECT_EQ(ctl.lamps.back(), bits) << mode;
        EXPECT_EQ(globals.LampMode, mode);
    }
}

TEST_F(SwitchTest, SwitchInputsAreActiveLowAndAccumulate) {
    ctl.switchInputs = Closed(kSwitchStart);
    EXPECT_EQ(engine->ReadSwitches(), kSwitchStart);
    ctl.switchInputs = Closed(kSwitchBurnish);
    EXPECT_EQ(engine->ReadSwitches(), kSwitchStart | kSwitchBurnish);
    ctl.switchInputs = 0xFFF0;  // only the low four bits are switches
    EXPECT_EQ(engine->ReadSwitches(), 15);
}

TEST_F(SwitchTest, LatchedAndLimitInputsAbortARun) {
    StartRunning();
    ctl.latchedData = 1024;  // outside the ten latched bits
    EXPECT_EQ(engine->ReadSwitches(), 0);
    ctl.latchedData = 4;
    EXPECT_EQ(engine->ReadSwitches(), kSwitchAbort);
    EXPECT_EQ(globals.RunState, kRunAbortRequested);

    globals.RunState = kRunRunning;
    globals.SwitchFlags = 0;
    ctl.latchedData = 0;
    ctl.limitSwitches = 0xFF7F;  // one limit input low
    EXPECT_EQ(engine->ReadSwitches(), kSwitchAbort);
    EXPECT_EQ(globals.RunState, kRunAbortRequested);
    EXPECT_EQ(status.calls.back(), "Aborting");

    // A pending abort shows as the abort switch by itself.
    ctl.limitSwitches = 0xFF;
    globals.SwitchFlags = 0;
    EXPECT_EQ(engine->ReadSwitches(), kSwitchAbort);
}

TEST_F(SwitchTest, AbortOnlyFromRunningPausedOrStopping) {
    for (std::int16_t state : {kRunIdle, kRunAbortRequested}) {
        globals.RunState = state;
        std::size_t before = ctl.calls.size();
        engine->AbortRun();
        EXPECT_EQ(globals.RunState, state);
        EXPECT_EQ(ctl.calls.size(), before);
    }
    for (std::int16_t state : {kRunRunning, kRunPaused, kRunStopping}) {
        globals.RunState = state;
        engine->AbortRun();
        EXPECT_EQ(globals.RunState, kRunAbortRequested);
        EXPECT_EQ(ctl.calls.back(), "PauseController()");
    }
    // During the port search there is no controller yet.
    engine->UseController(nullptr);
    globals.RunState = kRunRunning;
    engine->AbortRun();
    EXPECT_EQ(globals.RunState, kRunAbortRequested);
}

TEST_F(SwitchTest, StoppedControllerOrQuittingTheProgramIsAnAbort) {
    for (bool quit : {false, true}) {
        StartRunning();
        ctl.onWaitIdle = [quit](FakeController&) -> std::optional<std::int32_t> { return quit ? -1 : 4; };
        pump.quit = quit;
        EXPECT_EQ(engine->PollWaitForMotorIdle(false), -1) << quit;
        EXPECT_EQ(globals.RunState, kRunAbortRequested) << quit;
    }
    EXPECT_TRUE(Logged("PollWaitForMotorIdle wait has detected being in abort state - IdleWait reported 4"));
}

TEST_F(SwitchTest, WaitForFullStopKeepsWaitingWhileMovingAndEndsOnPause) {
    StartRunning();
    ctl.waitIdleCalls = 0;
    ctl.onWaitIdle = [](FakeController& c) -> std::optional<std::int32_t> {
        return c.waitIdleCalls < 4 ? std::optional<std::int32_t>(2) : std::optional<std::int32_t>(0);
    };
    EXPECT_EQ(engine->PollWaitForMotorIdle(true), 0);
    EXPECT_EQ(ctl.waitIdleCalls, 4);
    // A controller that reports being paused ends it.
    ctl.onWaitIdle = nullptr;
    ctl.paused = true;
    EXPECT_EQ(engine->PollWaitForMotorIdle(true), -1);
    EXPECT_EQ(globals.RunState, kRunPaused);
    EXPECT_TRUE(Logged("PollWaitForMotorIdle wait has detected being in pause state - returning '-1' to abort "
                       "higher level code"));
}

TEST_F(SwitchTest, SwitchDialogPaintsOnlyWhatChanged) {
    engine->WaitForSwitchesOpen();  // all open: no dialog at all
    EXPECT_TRUE(switchDialog.calls.empty());
    EXPECT_TRUE(mainWindow.calls.empty());
    int reads = 0;
    pump.onDispatch = [&](int n) {
        reads = n;
        if (n == 1) ctl.switchInputs = Closed(kSwitchPause | kSwitchStop);
        if (n == 2) ctl.switchInputs = 15;
    };
    ctl.switchInputs = Closed(kSwitchPause);
    mainWindow.visible = true;
    engine->WaitForSwitchesOpen();
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(switchDialog.calls,
              (std::vector<std::string>{"LoadLabels", "Show", "clear1", "green1", "PAUSE", "red2", "clear4",
                                        "green4", "clear8", "green8", "clear16", "green16", "Refresh",
                                        "STOP", "red4", "Refresh", "Hide"}));
    EXPECT_EQ(mainWindow.calls, (std::vector<std::string>{"Disable", "Enable"}));
    EXPECT_TRUE(status.enabled);
    EXPECT_EQ(globals.RunState, kRunIdle);
}

TEST_F(SwitchTest, AStuckSwitchIsPolledAtASteadyPaceUntilTheProgramQuits) {
    ctl.switchInputs = Closed(kSwitchStop);  // stuck closed
    pump.onDispatch = [&](int n) {
        if (n == 50) pump.quit = true;
    };
    engine->WaitForSwitchesOpen();
    EXPECT_EQ(pump.dispatches, 50);
    // Every turn but the last rests before reading the panel again.
    EXPECT_GE(clock.sleptMs, 20 * (pump.dispatches - 1));
    EXPECT_EQ(switchDialog.calls.back(), "Hide");
    EXPECT_TRUE(mainWindow.enabled);
}

TEST_F(SwitchTest, LatchedInputOutsideARunLightsTheAbortLabel) {
    ctl.latchedData = 1;
    pump.onDispatch = [&](int) { ctl.latchedData = 0; };
    engine->CheckSwitchesOpen();
    EXPECT_EQ(globals.RunState, kRunIdle);
    EXPECT_NE(std::find(switchDialog.calls.begin(), switchDialog.calls.end(), "red16"), switchDialog.calls.end());
}

TEST_F(SwitchTest, LampsOfClosedSwitchesBlink) {
    ctl.switchInputs = Closed(kSwitchBurnish);
    pump.onDispatch = [&](int n) {
        clock.AdvanceMs(500);
        if (n == 4) ctl.switchInputs = 15;
    };
    ctl.lamps.clear();
    engine->WaitForSwitchesOpen();
    ASSERT_EQ(ctl.lamps.size(), 4u);
    EXPECT_EQ(ctl.lamps[0] + ctl.lamps[1], 8);  // on and off in turn
    EXPECT_EQ(ctl.lamps[1] + ctl.lamps[2], 8);
    EXPECT_EQ(ctl.lamps[2] + ctl.lamps[3], 8);
}

TEST_F(SwitchTest, StopClosedAtIdleBringsTheDialogNotARun) {
    ctl.switchInputs = Closed(kSwitchStart | kSwitchStop);
    pump.onDispatch = [&](int) { ctl.switchInputs = 15; };
    engine->CheckStartSwitches();
    EXPECT_EQ(std::count(mainWindow.calls.begin(), mainWindow.calls.end(), "FullRun"), 0);
    EXPECT_EQ(switchDialog.calls.front(), "LoadLabels");
    EXPECT_TRUE(ctl.moves.empty());
}

TEST_F(SwitchTest, ReturnToMainWindowWaitsForOpenSwitches) {
    ctl.switchInputs = Closed(kSwitchStart);
    pump.onDispatch = [&](int) { ctl.switchInputs = 15; };
    engine->ReturnToMainWindow();
    EXPECT_EQ(mainWindow.calls,
              (std::vector<std::string>{"Hide", "StopTimer", "Disable", "Enable", "Show", "StartTimer"}));
}

TEST_F(SwitchTest, RetryOrAbortScan) {
    int scans = 0;
    engine->SetScanForBoards([&] { ++scans; });
    engine->RetryOrAbortScan();
    EXPECT_EQ(scans, 1);
    globals.RunState = kRunRunning;  // a scan in progress
    engine->RetryOrAbortScan();
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(globals.RunState, kRunAbortRequested);
}

}  // namespace
}  // namespace plyx::engine::test
