#pragma once
// Test bench for the run engine: recording fake windows, a scripted event
// pump, a real program environment on a fake clock in a temporary folder,
// and the board simulator behind the real drivers and board link.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Environment.h"
#include "engine/RunEngine.h"
#include "link/ZentrovaCom.h"
#include "platform/Dialogs.h"
#include "platform/FakeClock.h"
#include "sim/Simulator.h"
#include "tests/support/TempDir.h"
#include "text/Resources.h"

namespace plyx::engine::test {

struct QueuedMove { std::int32_t x = 0, y = 0, rate = 0; bool operator==(const QueuedMove&) const = default; };

class RecordingRunStatus final : public RunStatusView {
public:
    std::vector<std::string> calls;
    std::string stepTotal, layerTotal;
    bool restartCaption = false, visible = false;
    void LoadLabels() override {}
    void SetButtonAbortCaptionToAbort() override {}
    void SetButtonAbortCaptionAborting() override { calls.push_back("Aborting"); }
    void SetButtonAbortCaptionToLoadNewShell() override {}
    void SetButtonCaptionToPause() override { restartCaption = false; }
    void SetButtonCaptionToRestart() override { restartCaption = true; }
    void UpdateUnitsCaption() override {}
    void SetShellNameCaption(const std::string&) override {}
    void SetPauseOrRestartEnabled(bool) override {}
    void SetAutoCloseRunChecked(bool) override {}
    void SetShowAsMetersChecked(bool) override {}
    void SetElapsedTimeText(const std::string&) override {}
    void SetStepTotalText(const std::string& t) override { stepTotal = t; }
    void SetLayerTotalText(const std::string& t) override { layerTotal = t; }
    void ShowModeless() override { visible = true; }
    void Hide() override { visible = false; }
    bool IsVisible() override { return visible; }
    void Activate() override {}
    void Refresh() override {}
    void SetEnabled(bool) override {}
    std::int32_t resumedFrom = -1;
    void SetResumedFromLayer(std::int32_t layer) override { resumedFrom = layer; }
};

class RecordingSwitchDialog final : public SwitchDialogView {
public:
    std::vector<std::string> calls;  // the switch labels set
    bool visible = false;
    void LoadLabels() override {}
    void SetStartLabel() override { calls.push_back("START"); }
    void SetPauseLabel() override { calls.push_back("PAUSE"); }
    void SetStopLabel() override { calls.push_back("STOP"); }
    void SetBurnishLabel() override { calls.push_back("BURNISH"); }
    void SetAbortLabel() override { calls.push_back("ABORT"); }
    void ClearLabel(std::int16_t) override {}
    void PaintLabel(std::int16_t, int, int, int) override {}
    void ShowModeless() override { visible = true; }
    void Hide() override { visible = false; }
    void Refresh() override {}
};

class RecordingMainWindow final : public MainWindowView {
public:
    std::vector<std::string> calls;
    RunEngine* engine = nullptr;
    bool visible = true, enabled = true;
    void ShowModeless() override { visible = true; }
    void Hide() override { visible = false; }
    bool IsVisible() override { return visible; }
    void Activate() override {}
    void Refresh() override {}
    void SetEnabled(bool e) override { enabled = e; }
    void StartTimer() override {}
    void StopTimer() override { calls.push_back("StopTimer"); engine->SetLampMode(0); }
    void btnFullRun_Click() override { calls.push_back("FullRun"); engine->StartRun(false); }
    void btnStartBurnish_Click() override { calls.push_back("Burnish"); engine->StartRun(true); }
};

// "Window events": a callback on every DispatchPending.
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

struct RunOutcome {
    std::optional<link::BoardLinkError> error;
    std::string otherError;  // what() of any other exception
    long long ms = 0;
    int Number() const { return error ? error->SmallNumber() : 0; }
};

// StartBoard: the simulator as COM3, the program log "work.log". Every turn
// of a wait notes the run state and the board's lamps, then runs script.
class BoardTest : public ::testing::Test {
protected:
    BoardTest();
    ~BoardTest() override;

    // 4-axis unless options name another firmware; the controller initialized.
    void StartBoard(sim::SimOptions options = {});
    void ReleaseEverything();
    std::vector<QueuedMove> BoardMoves() const;
    std::string LogText();  // of the program log, flushed first
    bool Logged(const std::string& line) { return LogText().find("--->" + line + "\r\n") != std::string::npos; }
    std::vector<QueuedMove> PlannedSegments(bool burnish = false) const;
    // Every planned move ran, in order (the final pause may cut the last two
    // slow-down moves); the machine stands where the moves took it.
    void ExpectEveryPlannedMoveRan(const std::vector<QueuedMove>& plan, std::int32_t startStopRate = 80);
    long AbortingShown() const { return std::count(status.calls.begin(), status.calls.end(), "Aborting"); }

    template <typename Fn>
    RunOutcome Timed(Fn fn) {
        RunOutcome out;
        const auto t0 = std::chrono::steady_clock::now();
        try {
            fn();
        } catch (const link::BoardLinkError& e) {
            out.error = e;
        } catch (const std::exception& e) {
            out.otherError = e.what();
        }
        out.ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        return out;
    }
    // Turns of the event pump are counted from 1 for each run.
    RunOutcome Run(bool burnish = false) {
        pump.dispatches = 0;
        return Timed([&] { engine->StartRun(burnish); });
    }

    plyx::test::TempDir dir;
    platform::FakeClock clock;
    link::CommLog log{clock};
    platform::FakeDialogs dialogs;
    text::TextTables tables;
    std::unique_ptr<app::Environment> env;
    app::ParameterSet params;
    RunGlobals globals;
    ScriptedPump pump;
    RecordingRunStatus status;
    RecordingSwitchDialog switchDialog;
    RecordingMainWindow mainWindow;
    std::unique_ptr<RunEngine> engine;
    std::unique_ptr<sim::Simulator> board;
    std::unique_ptr<link::ZentrovaCom> boardLink;
    std::string dataDir, logPath;
    std::function<void(int)> script;
    std::vector<std::int16_t> states;
    std::vector<int> lampsSeen;
};

class SimulatedRunTest : public BoardTest {
protected:
    explicit SimulatedRunTest(sim::SimOptions options = {}, std::int32_t family = kFamily4Axis) {
        env->ControllerFamily = family;
        StartBoard(std::move(options));
    }
};

struct PlanRecorder final : LineMoveSink {
    std::vector<std::array<double, 3>> moves;
    void LineMove(double dx, double dy, double rate) override { moves.push_back({dx, dy, rate}); }
};

// A whole run's moves: exactly the plan, then the three slow-down moves at
// the start/stop rate.
void ExpectPlanThenSlowDown(const std::vector<QueuedMove>& queued, const std::vector<QueuedMove>& plan,
                            std::int32_t startStopRate = 80);

// The plan's line moves on a controller of at most 2047 steps per motor and
// move: rounded half to even, cut into segments, at the faster motor's rate.
std::vector<QueuedMove> ExpectedSegments(const std::vector<std::array<double, 3>>& lineMoves,
                                         double rateScale);

}  // namespace plyx::engine::test
