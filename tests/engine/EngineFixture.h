#pragma once
// Headless test bench for the run engine: a recording fake controller with
// a tiny state machine (moving, paused, stopped), recording fake windows, an
// event pump whose "window events" are test callbacks, and a real program
// environment on a fake clock with its log in a temporary folder.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunEngine.h"
#include "engine/RunGeometry.h"
#include "link/CommLog.h"
#include "platform/Dialogs.h"
#include "platform/FakeClock.h"
#include "tests/support/TempDir.h"
#include "text/Resources.h"

namespace plyx::engine::test {

struct QueuedMove {
    std::int32_t x = 0, y = 0, rate = 0;
    bool operator==(const QueuedMove&) const = default;
};

class FakeController final : public Controller {
public:
    // Every call in order, e.g. "SetControllerRunRate(-2737)".
    std::vector<std::string> calls;
    std::vector<QueuedMove> moves;
    std::vector<std::int32_t> lamps;

    std::int32_t capacity = 30;       // free places right after a reset
    std::int32_t queueInUse = 0;      // places the controller still holds
    std::int32_t switchInputs = 15;   // active low: all open
    std::int32_t limitSwitches = 0xFF;
    std::int32_t latchedData = 0;
    std::int32_t pulsePolarityWord = 0x12;
    bool moving = false, paused = false, stopped = false;
    int waitIdleCalls = 0;
    // Called before every idle wait answers; may change anything above or
    // return a code to answer instead (nullopt: the state machine answers).
    std::function<std::optional<std::int32_t>(FakeController&)> onWaitIdle;

    void GoToRequested() override;
    std::int32_t WaitIdle(std::int32_t ms) override;
    std::int32_t GetQueueFree() override { return capacity - queueInUse; }
    void PauseController() override { Record("PauseController()"); paused = true; }
    void ResumeController() override { Record("ResumeController()"); paused = false; }
    void StopController() override { Record("StopController()"); stopped = true; }
    void ResetController() override;
    void SetRequestedDelta(std::int32_t steps, std::int32_t motor) override;
    void SetControllerRunRate(std::int32_t rate) override { Record("SetControllerRunRate", rate); rate_ = rate; }
    void SetControllerStopOKRate(std::int32_t rate) override { Record("SetControllerStopOKRate", rate); }
    void SetControllerRampRate(std::int32_t rate) override { Record("SetControllerRampRate", rate); }
    void SetControllerAddressMode(bool absolute) override { Record("SetControllerAddressMode", absolute); }
    void SetAutoWait(bool flag) override { Record("SetAutoWait", flag); }
    void SelectControllerMotor(const std::string& name) override { Record("SelectControllerMotor(" + name + ")"); }
    void SetControllerPulsePolarities(std::int32_t word) override { Record("SetControllerPulsePolarities", word); }
    std::int32_t ReadPulsePolarityWord() override { Record("ReadPulsePolarityWord()"); return pulsePolarityWord; }
    std::int32_t ReadLimitSwitches() override { return limitSwitches; }
    std::int32_t ReadLatchedData() override { return latchedData; }
    std::int32_t ReadSwitchInputs() override { return switchInputs; }
    void SetLamps(std::int32_t bits) override { lamps.push_back(bits); }
    void SetPortDirections() override { Record("SetPortDirections()"); }

    // Calls recorded since index `from` whose text starts with prefix.
    std::vector<std::string> CallsStartingWith(const std::string& prefix, std::size_t from = 0) const;

private:
    void Record(const std::string& text) { calls.push_back(text); }
    void Record(const std::string& name, std::int64_t value) { Record(name + "(" + std::to_string(value) + ")"); }
    std::int32_t pendingX_ = 0, pendingY_ = 0, rate_ = 0;
};

class RecordingRunStatus final : public RunStatusView {
public:
    std::vector<std::string> calls;
    std::string elapsed, stepTotal, layerTotal;
    bool visible = false, enabled = true, restartCaption = false;

    void LoadLabels() override { calls.push_back("LoadLabels"); }
    void SetButtonAbortCaptionToAbort() override { calls.push_back("Abort"); }
    void SetButtonAbortCaptionAborting() override { calls.push_back("Aborting"); }
    void SetButtonAbortCaptionToLoadNewShell() override { calls.push_back("LoadNewShell"); }
    void SetButtonCaptionToPause() override { calls.push_back("Pause"); restartCaption = false; }
    void SetButtonCaptionToRestart() override { calls.push_back("Restart"); restartCaption = true; }
    void UpdateUnitsCaption() override { calls.push_back("UpdateUnitsCaption"); }
    void SetShellNameCaption(const std::string&) override {}
    void SetPauseOrRestartEnabled(bool) override {}
    void SetAutoCloseRunChecked(bool) override {}
    void SetShowAsMetersChecked(bool) override {}
    void SetElapsedTimeText(const std::string& t) override { elapsed = t; }
    void SetStepTotalText(const std::string& t) override { stepTotal = t; }
    void SetLayerTotalText(const std::string& t) override { layerTotal = t; }
    void ShowModeless() override { visible = true; calls.push_back("Show"); }
    void Hide() override { visible = false; calls.push_back("Hide"); }
    bool IsVisible() override { return visible; }
    void Activate() override {}
    void Refresh() override {}
    void SetEnabled(bool e) override { enabled = e; }
};

class RecordingSwitchDialog final : public SwitchDialogView {
public:
    std::vector<std::string> calls;
    bool visible = false;
    void LoadLabels() override { calls.push_back("LoadLabels"); }
    void SetStartLabel() override { calls.push_back("START"); }
    void SetPauseLabel() override { calls.push_back("PAUSE"); }
    void SetStopLabel() override { calls.push_back("STOP"); }
    void SetBurnishLabel() override { calls.push_back("BURNISH"); }
    void SetAbortLabel() override { calls.push_back("ABORT"); }
    void ClearLabel(std::int16_t bit) override { calls.push_back("clear" + std::to_string(bit)); }
    void PaintLabel(std::int16_t bit, int r, int g, int) override {
        calls.push_back((r == 255 && g == 128 ? "red" : (r == 128 && g == 255 ? "green" : "other")) +
                        std::to_string(bit));
    }
    void ShowModeless() override { visible = true; calls.push_back("Show"); }
    void Hide() override { visible = false; calls.push_back("Hide"); }
    void Refresh() override { calls.push_back("Refresh"); }
};

class RecordingMainWindow final : public MainWindowView {
public:
    std::vector<std::string> calls;
    RunEngine* engine = nullptr;
    bool visible = true, enabled = true, timer = true;
    void ShowModeless() override { visible = true; calls.push_back("Show"); }
    void Hide() override { visible = false; calls.push_back("Hide"); }
    bool IsVisible() override { return visible; }
    void Activate() override {}
    void Refresh() override {}
    void SetEnabled(bool e) override { enabled = e; calls.push_back(e ? "Enable" : "Disable"); }
    void StartTimer() override { timer = true; calls.push_back("StartTimer"); }
    void StopTimer() override {
        timer = false;
        calls.push_back("StopTimer");
        engine->SetLampMode(0);
    }
    void btnFullRun_Click() override { calls.push_back("FullRun"); engine->StartRun(false); }
    void btnStartBurnish_Click() override { calls.push_back("Burnish"); engine->StartRun(true); }
};

// "Window events": callbacks run on every DispatchPending.
class ScriptedPump final : public platform::EventPump {
public:
    int dispatches = 0;
    bool quit = false;
    std::function<void(int)> onDispatch;
    void DispatchPending() override {
        ++dispatches;
        if (onDispatch) onDispatch(dispatches);
    }
    bool QuitRequested() override { return quit; }
};

class EngineTest : public ::testing::Test {
protected:
    EngineTest();
    ~EngineTest() override;

    // Program log lines written since the start (text after "--->").
    std::vector<std::string> LogLines();
    std::vector<std::string> LogLinesStartingWith(const std::string& prefix);
    bool Logged(const std::string& line);
    // The plan of the current parameters as the controller should receive it.
    std::vector<QueuedMove> PlannedSegments(bool burnish = false) const;

    plyx::test::TempDir dir;
    platform::FakeClock clock;
    link::CommLog log{clock};
    platform::FakeDialogs dialogs;
    text::TextTables tables;
    std::unique_ptr<app::Environment> env;
    app::ParameterSet params;
    RunGlobals globals;
    ScriptedPump pump;
    FakeController ctl;
    RecordingRunStatus status;
    RecordingSwitchDialog switchDialog;
    RecordingMainWindow mainWindow;
    std::unique_ptr<RunEngine> engine;
};

struct PlanRecorder final : LineMoveSink {
    std::vector<std::array<double, 3>> moves;
    void LineMove(double dx, double dy, double rate) override { moves.push_back({dx, dy, rate}); }
};

// A whole run's moves: exactly the plan, then the three slow-down moves at
// the start/stop rate.
void ExpectPlanThenSlowDown(const std::vector<QueuedMove>& queued, const std::vector<QueuedMove>& plan,
                            std::int32_t startStopRate = 80);

// The moves that the plan's line moves become on a controller that takes at
// most 2047 steps per motor and move: each rounded half to even and cut into
// segments, at the faster motor's rate.
std::vector<QueuedMove> ExpectedSegments(const std::vector<std::array<double, 3>>& lineMoves,
                                         double rateScale);

}  // namespace plyx::engine::test
