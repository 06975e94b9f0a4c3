#pragma once
// The run engine: one run from start to end (sequencing, distance ring and
// displays), the motion primitives on the family-neutral controller
// operations, and pause, abort and the operator switches. Single-threaded:
// the waits let window events run, and those events call back into
// PauseRun, RestartRun and AbortRun, which only change RunGlobals.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/Controller.h"
#include "engine/MoveLedger.h"
#include "engine/RunEvents.h"
#include "engine/RunGeometry.h"
#include "engine/RunState.h"
#include "engine/RunTrack.h"
#include "engine/Views.h"
#include "platform/EventPump.h"

namespace plyx::link {
class ZentrovaCom;
}

namespace plyx::engine {

// The 2-axis controller takes only 1, 2, 4, 8 or 16 microsteps per step:
// lowers MSPS to the nearest of those on that family; no change on others.
void NormalizeMicrosteps(std::int32_t controllerFamily, app::ParameterSet& params);

// The windows the engine drives; any of them may be missing (start-up, tests).
struct EngineViews {
    RunStatusView* runStatus = nullptr;
    SwitchDialogView* switchDialog = nullptr;
    MainWindowView* mainWindow = nullptr;
};

class RunEngine final : private LineMoveSink {
public:
    RunEngine(app::Environment& env, app::ParameterSet& params, RunGlobals& globals,
              platform::EventPump& pump);
    ~RunEngine() override;
    RunEngine(const RunEngine&) = delete;
    RunEngine& operator=(const RunEngine&) = delete;

    void SetViews(const EngineViews& views) { views_ = views; }
    // The port search, started again by RetryOrAbortScan.
    void SetScanForBoards(std::function<void()> scan) { scanForBoards_ = std::move(scan); }

    // ---- controller and drivers ----
    // Creates the driver of env.ControllerFamily on the board link and uses it.
    void CreateDriver(link::ZentrovaCom& boardLink);
    void ReleaseDrivers();
    // Uses a controller owned elsewhere (nullptr: none).
    void UseController(Controller* controller) { controller_ = controller; }
    Controller* CurrentController() { return controller_; }

    // An engine that only plans (the preview, the plan printer) saves no
    // settings file.
    void SetPlanOnly(bool planOnly) { planOnly_ = planOnly; }
    // Asked before a run starts (after its checks): false keeps the machine
    // standing. Unset: every run that passes its checks starts.
    void SetRunConfirmation(std::function<bool(bool burnish)> confirm) { confirmRun_ = std::move(confirm); }
    // START on the panel between runs: this action first (a resume armed
    // from the command line); when it answers false, a full run starts.
    void SetStartSwitchAction(std::function<bool()> action) { startSwitch_ = std::move(action); }
    // The run's events, for the observers beside the windows.
    RunEventStream& Events() { return events_; }

    // ---- run sequencing ----
    void StartRun(bool burnish);
    // A run that goes on from a layer of a stopped run: the engine runs the
    // earlier layers silently (nothing sent, logged or shown), moves the
    // head from where the board reports it to the plan's place at the
    // layer's first move, then streams the plan from there exactly as the
    // uninterrupted run would.
    void ResumeRun(bool burnish, ResumeRequest request);
    // Live changes of the per-layer increase that the next run replays
    // before the same plan moves (for a plan of a stopped run).
    void SetScaleSchedule(std::vector<ScaleChange> changes) { scheduleNext_ = std::move(changes); }
    // The run status window's Set % Increase: used from the next layer the
    // engine begins, and kept in the run's track.
    void SetLayerScaleFraction(double fraction);
    // The layer a run starting now resumes from (0: none).
    std::int32_t ResumingFrom() const { return resume_ ? resume_->fromLayer : 0; }
    // The run in progress (or the last one): where it stands in its plan.
    const RunTrack& Track() const { return track_; }
    // The layer pass the engine queues now, counted from the run's first
    // (a finishing file's layers count on after the shell's).
    std::int32_t RunPass() const { return geometry_.cLayerPassesBegun - passBase_; }
    // The layer pass the controller has begun and the plan moves it has
    // run, by its count of moves in use.
    std::int32_t ControllerPass() const { return track_.PassBegun(track_.Done(globals_.cQueInUse)); }
    std::int64_t PlanMovesRun() const { return track_.PlanMovesRun(track_.Done(globals_.cQueInUse)); }
    void CloseRunWindowAndReturn();
    void InsertDistance(double distance, std::int16_t layer);
    std::int16_t GetExtractIndex();
    double ExtractDistance();
    std::int16_t ExtractLayer();
    void UpdateQueueDisplays();
    void UpdateElapsedTime();

    // ---- run geometry ----
    RunGeometry& Geometry() { return geometry_; }
    void ComputeRunConstants() { geometry_.ComputeRunConstants(); }
    void RunLayers(bool burnish) { geometry_.RunLayers(burnish, &globals_.CurrentLayer); }

    // ---- motion primitives ----
    void LineMove(double dx, double dy, double rate) override;
    void SegmentedMove(std::int32_t lX, std::int32_t lY, std::int32_t lRate, double realDistance);
    // True when the controller ran down to the slow-down moves (no abort,
    // no wait cut short): then every planned move has run.
    bool StopSequence();
    // After an error that ends the program in the middle of a run: pause,
    // stop and reset the controller while it still answers, so that it does
    // not run on through the moves it holds. Answers the operator's sentence
    // on the machine's state ("" when no run was in progress); a second call
    // answers the same without sending anything.
    std::string StopAfterError();
    // StopAfterError, then the run's observers hear of the error (the record
    // gets its line); answers StopAfterError's sentence.
    std::string EndRunAfterError(std::int32_t number, const std::string& description);
    void InitializeController();
    void EnableMotors();
    void NormalizeMicrosteps();
    // GoToRequested and WaitIdle also refresh cQueInUse.
    void GoToRequested();
    std::int32_t WaitIdle(std::int32_t ms);

    // ---- pause, abort and switches ----
    std::int16_t ReadSwitches();
    void SetLampMode(std::int16_t mode);
    std::int32_t PollWaitForMotorIdle(bool waitForFullStop);
    void PauseRun();
    void RestartRun();
    void AbortRun();
    void WaitForSwitchesOpen();
    void CheckSwitchesOpen();
    void ReturnToMainWindow();
    void CheckStartSwitches();
    void RetryOrAbortScan();

    // Lamp bits of a lamp mode.
    static std::int16_t LampBitsForMode(std::int16_t mode);
    // Why a run of the current parameters cannot start ("" when it can), as
    // the dictionary words it; StartRun also refuses a run without a model.
    std::string RunRefusal(bool burnish) const;

    RunGlobals& Globals() { return globals_; }
    app::ParameterSet& Parameters() { return params_; }

private:
    void Log(const std::string& text) { env_.LogLine(text); }
    // Per-move log lines are only composed while a log is open to take them.
    bool Logging() const { return env_.Log().IsOpen(); }
    Controller& Ctl();
    void RefuseRun(const std::string& why);
    // The parts of RunRefusal: settings that could not be read; rates that
    // would reach the controller as 0.
    std::string SettingsRefusal() const;
    std::string ZeroRateRefusal(bool burnish) const;
    void RunFinishingFile();
    void UpdateQueueInUse();
    // Starts the check of what the controller ran (its position now).
    void StartMoveLedger();
    // Reads the head's position and ends the run (LostMovesError) when the
    // controller counted moves as done that it never ran.
    void CheckMovesRan();
    void PaintSwitchLabels(std::int16_t flags, std::int16_t changed);
    // ---- the run's track and a resume (Resume.cpp) ----
    void StartTrack();
    // A plan move of a resumed run before its layer: counted, not sent.
    void SkipMove(std::int32_t lX, std::int32_t lY, std::int32_t lRate, double realDistance);
    // The resumed layer begins: the positioning move, then the stream.
    void EndSkip();
    // The live changes due before the next plan move.
    void ApplyScaleChanges();
    // One more move given to the controller (a plan move unless extraMoves_).
    void NoteQueued(std::int32_t sX, std::int32_t sY);

    app::Environment& env_;
    app::ParameterSet& params_;
    RunGlobals& globals_;
    platform::EventPump& pump_;
    RunGeometry geometry_;
    EngineViews views_;
    std::function<void()> scanForBoards_;
    std::function<bool(bool)> confirmRun_;
    std::function<bool()> startSwitch_;
    std::unique_ptr<Controller> ownedDriver_;
    Controller* controller_ = nullptr;
    bool planOnly_ = false;
    // Between the first move of a run and its end; StopAfterError's answer once tried.
    bool runInProgress_ = false;
    std::optional<std::string> errorStop_;
    MoveLedger ledger_;
    // Set once moves were found lost: the queue count no longer says what
    // ran, so the displays (and the record) stay where the head really was.
    bool countUntrusted_ = false;
    std::int64_t lastPositionCheckTicks_ = 0;
    std::int16_t lastCheckedLayer_ = 0;
    // The run's place in its plan; a resume asked for; live changes to replay.
    RunTrack track_;
    std::optional<ResumeRequest> resumeNext_, resume_;
    std::vector<ScaleChange> scheduleNext_, schedule_;
    std::size_t nextScaleChange_ = 0;
    std::int32_t passBase_ = 0;
    bool skipping_ = false;
    // Moves that are not the plan's: the positioning move, the slow-down moves.
    bool extraMoves_ = false;
    bool positioning_ = false;
    RunEventStream events_;
    std::int32_t lastReportedLayer_ = 0;  // the layer LayerStarted last told of
    // The layer of the plan's last queued move, once the stop sequence
    // begins: its slow-down moves carry the layer loop's end value, no layer.
    std::int32_t lastPlanLayer_ = 0;
};

}  // namespace plyx::engine
