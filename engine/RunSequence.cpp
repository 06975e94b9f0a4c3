// One run from the operator's start to the end: preparation, the layer
// loop, a chained finishing file, the stop and the return to the main
// window; and the distance ring behind the run status window's displays.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <utility>

#include "app/Numbers.h"
#include "app/ParameterChecks.h"
#include "app/ParameterFiles.h"
#include "engine/DisplayText.h"
#include "engine/RunEngine.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "text/TextIds.h"

namespace plyx::engine {

namespace {
// The 16-bit line-pair counter of alternate layers cannot count further.
constexpr std::int32_t kMaxAlternatePairs = 32767;


}  // namespace

RunEngine::RunEngine(app::Environment& env, app::ParameterSet& params, RunGlobals& globals,
                     platform::EventPump& pump)
    : env_(env),
      params_(params),
      globals_(globals),
      pump_(pump),
      // A resume's silent layers log nothing.
      geometry_(params, *this, [this](const std::string& line) {
          if (!skipping_ || RunPass() >= resume_->fromLayer) Log(line);
      }) {}

RunEngine::~RunEngine() = default;

std::string RunEngine::SettingsRefusal() const {
    if (params_.SettingsUnreadable.empty()) return {};
    return text::FillTexts(env_.GetResourceText(1101), {app::GetSettingsFilePath(env_), params_.SettingsUnreadable});
}

std::string RunEngine::ZeroRateRefusal(bool burnish) const {
    const app::ParameterSet& p = params_;
    // The run constants and the move rates as ComputeRunConstants and
    // LineMove work them out.
    const double msps = p.cMSPS;
    double scale = (msps / 16.0) * p.zTRS * (4.0 / p.zWheelDiameter);
    if (burnish && p.cTLC > 2) scale *= p.zBRIP / 100.0 + 1.0;
    // A diagonal move (d, -d) runs its faster motor at rate / sqrt 2; a
    // crosswise move (A, -A * TS) at rate * max(1, |TS|) / sqrt(1 + TS^2).
    const double diagonal = 1.0 / std::sqrt(2.0);
    const double crosswise = std::max(1.0, std::fabs(p.zTS)) / std::sqrt(1.0 + p.zTS * p.zTS);
    struct Rate {
        const char* key;
        double value;
        double factor;
        bool used;
    };
    const Rate rates[] = {
        {"MRFL", p.zMRFL, diagonal, true},
        {"MRSL", p.zMRSL, crosswise, true},
        {"MRSI", p.zMRSI, diagonal, true},
        {"TARFL", p.zTARFL, diagonal, p.cTARC > 0},
        {"TARSL", p.zTARSL, crosswise, p.cTARC > 0},
        {"TRI", p.zTRI, diagonal, true},
    };
    std::string zero;
    auto add = [&zero](const char* key, double value) {
        zero += (zero.empty() ? "" : ", ") + std::string(key) + "=" + app::NumberText(value);
    };
    if (FloorToInt32Saturated(msps * p.zSSR) < 1) add("SSR", p.zSSR);
    for (const Rate& r : rates)
        if (r.used && !(app::RoundHalfEven(scale * r.value * r.factor) >= 1)) add(r.key, r.value);
    return zero.empty() ? std::string() : text::FillTexts(env_.GetResourceText(1103), {zero});
}

std::string RunEngine::RunRefusal(bool burnish) const {
    if (std::string why = SettingsRefusal(); !why.empty()) return why;
    if (params_.zPD == 0) return env_.GetResourceText(text::kTextPoleDiameterZero);
    if (const std::vector<app::UnusableValue> bad = app::UnusableValues(params_); !bad.empty())
        return text::FillTexts(env_.GetResourceText(1104), {app::ListOf(bad)});
    if (params_.fLayerPattern != 0 && params_.cMRC > 0) {
        const std::int32_t pairs = RunGeometry::LayerCount(params_, burnish) * params_.cMRC;
        if (pairs > kMaxAlternatePairs)
            return text::FillTexts(env_.GetResourceText(text::kTextTooManyAlternatePairs),
                                   {std::to_string(pairs), std::to_string(kMaxAlternatePairs)});
    }
    return ZeroRateRefusal(burnish);
}

void RunEngine::RefuseRun(const std::string& why) {
    Log("Run refused: " + why);
    env_.Dialogs().ShowMessage(why, env_.GetResourceText(100, env_.PortCaptionPrefix));
}

void RunEngine::StartRun(bool burnish) {
    resume_ = std::exchange(resumeNext_, std::nullopt);
    schedule_ = std::exchange(scheduleNext_, {});
    track_ = RunTrack{};
    // Refused before anything is saved or moves (without a model the machine
    // would move on values nobody chose); the operator is back at the main
    // window with its timer running.
    std::string why = SettingsRefusal();
    if (why.empty())
        why = params_.strModel.empty() ? env_.GetResourceText(text::kTextNoModelLoaded) : RunRefusal(burnish);
    if (!why.empty()) {
        RefuseRun(why);
        ReturnToMainWindow();
        return;
    }
    // A resumed run was asked about when it first started.
    if (!planOnly_ && !resume_ && confirmRun_ && !confirmRun_(burnish)) {
        ReturnToMainWindow();
        return;
    }
    NormalizeMicrosteps();
    if (!planOnly_) app::WriteParameterFile(env_, params_, "", 0);

    if (views_.mainWindow) {
        views_.mainWindow->Hide();
        views_.mainWindow->StopTimer();
    }

    globals_.zLastRate = 0;
    globals_.SwitchFlags = 0;
    globals_.RunStartTime = env_.Clock().WallTime();
    globals_.LastShownElapsedSeconds = -1;

    RunStatusView* status = views_.runStatus;
    if (status) {
        status->LoadLabels();
        status->SetButtonAbortCaptionToAbort();
        status->SetPauseOrRestartEnabled(true);
        status->SetButtonCaptionToPause();
        status->SetAutoCloseRunChecked(params_.fAutoCloseRunWindow != 0);
        status->SetShowAsMetersChecked(params_.fDSU != 0);
        status->UpdateUnitsCaption();
        status->SetResumedFromLayer(resume_ ? resume_->fromLayer : 0);
        status->ShowModeless();
    }

    if (params_.ShellEdited) {
        if (status) status->SetShellNameCaption("");
        Log("Starting run on UNSAVED, EDITED version of shell file " + params_.CurrentShellFile);
    } else {
        if (status) status->SetShellNameCaption(app::GetFileNameOf(params_.CurrentShellFile));
        Log("Starting run using shell file " + params_.CurrentShellFile);
    }
    if (resume_) Log("Resuming the stopped run from layer " + std::to_string(resume_->fromLayer));

    lastReportedLayer_ = 0;
    lastPlanLayer_ = std::numeric_limits<std::int32_t>::max();
    events_.RunStarted(burnish);
    if (resume_) events_.RunResumed(resume_->fromLayer);
    UpdateElapsedTime();
    globals_.TotalQueuedDistance = 0;
    globals_.CurrentLayer = 1;
    InsertDistance(0, 1);
    UpdateQueueDisplays();
    if (status) {
        status->Activate();
        status->Refresh();
    }

    globals_.RunState = kRunRunning;
    runInProgress_ = true;
    countUntrusted_ = false;
    errorStop_.reset();
    RunEnd how = RunEnd::Completed;
    try {
        ComputeRunConstants();
        StartTrack();
        EnableMotors();
        SetLampMode(kLampsRunning);
        StartMoveLedger();

        RunLayers(burnish);
        if (!burnish) RunFinishingFile();
        // A resume from beyond the plan's last moves: the head goes to its end.
        if (skipping_) EndSkip();

        const bool aborted = globals_.RunState == kRunAbortRequested;
        const bool drained = StopSequence();
        if (aborted || !drained) how = pump_.QuitRequested() ? RunEnd::EndedBySignal : RunEnd::Aborted;
    } catch (const app::ProgramExit&) {
        throw;  // the program is already over
    } catch (...) {
        // The error ends the program: the machine must not run on unwatched.
        skipping_ = false;
        ledger_.Stop();
        StopAfterError();
        throw;
    }
    runInProgress_ = false;
    ledger_.Stop();
    events_.RunEnded(how);
    resume_.reset();

    globals_.RunState = kRunIdle;
    if (status) {
        status->SetButtonAbortCaptionToLoadNewShell();
        status->SetPauseOrRestartEnabled(false);
        status->SetButtonCaptionToPause();
    }
    globals_.SwitchFlags = 0;

    WaitForSwitchesOpen();
    if (params_.fAutoCloseRunWindow != 0) CloseRunWindowAndReturn();
}

void RunEngine::RunFinishingFile() {
    const std::string shellFile = params_.CurrentShellFile;
    if (platform::UpperAscii(app::GetExtensionOf(shellFile)) != "CFG") return;
    const std::string finishingFile = app::ReplaceExtension(shellFile, "fin");
    if (!platform::FileExists(finishingFile)) return;

    Log("Found a FIN file (" + finishingFile + ") -- attempting load");
    if (params_.idChainIntervalTechnique == 0) geometry_.RunBetweenLayerMove(params_.cTLC + 1);

    // Its unusable values are named by the refusal below, in one message.
    app::LoadParameterFile(env_, params_, finishingFile, false);
    if (!params_.CurrentShellFile.empty()) {
        // After an abort its layers send nothing: the window keeps naming the shell that ran.
        if (views_.runStatus && globals_.RunState != kRunAbortRequested)
            views_.runStatus->SetShellNameCaption(app::GetFileNameOf(finishingFile));
        ComputeRunConstants();
        if (std::string why = RunRefusal(false); !why.empty()) {
            // Its layers would send endless moves or overrun the counter; the
            // shell's own layers are done, so only the finishing part is left out.
            RefuseRun(why);
        } else {
            if (params_.idChainIntervalTechnique == 1) geometry_.RunBetweenLayerMove(1);
            if (params_.idChainIntervalTechnique == 2) geometry_.RunBetweenLayerMove(0);
            RunLayers(false);
        }
    }

    app::LoadParameterFile(env_, params_, shellFile);
    ComputeRunConstants();
}

void RunEngine::CloseRunWindowAndReturn() {
    if (!planOnly_) app::WriteParameterFile(env_, params_, "", 0);
    if (views_.runStatus) views_.runStatus->Hide();
    ReturnToMainWindow();
}

void RunEngine::InsertDistance(double distance, std::int16_t layer) {
    if (Logging())
        Log("Inserting distance " + app::NumberText(distance) + " on layer " + std::to_string(layer) + " as entry " +
            std::to_string(globals_.Ring.idNextDistance));
    globals_.Ring.InsertDistance(distance, layer);
}

std::int16_t RunEngine::GetExtractIndex() { return globals_.Ring.GetExtractIndex(globals_.cQueInUse); }

double RunEngine::ExtractDistance() {
    const std::int16_t index = GetExtractIndex();
    const double distance = globals_.Ring.DistanceAt(index);
    if (Logging())
        Log("Extracting distance " + app::NumberText(distance) + " from entry " + std::to_string(index) +
            "; idNextDistance = " + std::to_string(globals_.Ring.idNextDistance) +
            ", cQueInUse = " + std::to_string(globals_.cQueInUse));
    return distance;
}

std::int16_t RunEngine::ExtractLayer() {
    const std::int16_t index = GetExtractIndex();
    const std::int16_t layer = globals_.Ring.LayerAt(index);
    if (Logging())
        Log("Extracting layer " + std::to_string(layer) + " from entry " + std::to_string(index) +
            "; idNextDistance = " + std::to_string(globals_.Ring.idNextDistance) +
            ", cQueInUse = " + std::to_string(globals_.cQueInUse));
    return layer;
}

void RunEngine::UpdateQueueDisplays() {
    if (countUntrusted_) return;
    const double inches = ExtractDistance() * geometry_.zTapePerStep;
    const double length = params_.fDSU != 0 ? inches / 39.37 : inches / 12.0;
    const std::int16_t layer = ExtractLayer();
    ControllerReport at;
    at.inches = inches;
    at.layer = layer;
    if (ledger_.Active()) {
        at.movesQueued = ledger_.Queued();
        at.movesRun = ledger_.Done();
    }
    events_.ControllerAt(at);
    if (runInProgress_ && layer != lastReportedLayer_ && layer <= lastPlanLayer_) {
        lastReportedLayer_ = layer;
        events_.LayerStarted(layer);
    }
    if (views_.runStatus) {
        views_.runStatus->SetStepTotalText(TapeLengthText(length));
        views_.runStatus->SetLayerTotalText(std::to_string(layer));
    }
}

void RunEngine::UpdateElapsedTime() {
    const std::int64_t seconds = std::llabs(static_cast<long long>(env_.Clock().WallTime() - globals_.RunStartTime));
    if (seconds == globals_.LastShownElapsedSeconds) return;
    globals_.LastShownElapsedSeconds = static_cast<std::int32_t>(seconds);
    events_.ElapsedChanged(seconds);
    if (views_.runStatus) {
        views_.runStatus->SetElapsedTimeText(ElapsedTimeText(seconds));
        views_.runStatus->Refresh();
    }
}

}  // namespace plyx::engine
