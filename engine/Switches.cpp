// Pause, abort and the operator panel: switch reading, lamps, the wait on
// the controller and the switch dialog.
#include <cmath>

#include "engine/RunEngine.h"

namespace plyx::engine {

namespace {

// Switches in the order their labels are painted, with their label operation.
struct SwitchLabel {
    std::int16_t bit;
    void (SwitchDialogView::*set)();
};
constexpr SwitchLabel kSwitchLabels[] = {
    {kSwitchStart, &SwitchDialogView::SetStartLabel},     {kSwitchPause, &SwitchDialogView::SetPauseLabel},
    {kSwitchStop, &SwitchDialogView::SetStopLabel},       {kSwitchBurnish, &SwitchDialogView::SetBurnishLabel},
    {kSwitchAbort, &SwitchDialogView::SetAbortLabel},
};

}  // namespace

std::int16_t RunEngine::LampBitsForMode(std::int16_t mode) {
    switch (mode) {
        case kLampsReady: return kSwitchStart | kSwitchBurnish;
        case kLampsRunning: return kSwitchPause | kSwitchStop | kSwitchAbort;
        case kLampsPaused: return kSwitchStart | kSwitchStop | kSwitchAbort;
        case kLampsStopping: return kSwitchAbort;
        default: return 0;
    }
}

void RunEngine::SetLampMode(std::int16_t mode) {
    globals_.LampMode = mode;
    Ctl().SetLamps(LampBitsForMode(mode));
}

std::int16_t RunEngine::ReadSwitches() {
    std::int16_t flags = 0;
    if ((Ctl().ReadLatchedData() & 1023) != 0) {
        AbortRun();
        flags |= kSwitchAbort;
    }
    Ctl().SelectControllerMotor("X");
    if (((~Ctl().ReadLimitSwitches()) & 0xFF) != 0) {
        AbortRun();
        flags |= kSwitchAbort;
    }
    // The four switch inputs are active low.
    flags |= static_cast<std::int16_t>((~Ctl().ReadSwitchInputs()) & 15);
    if (globals_.RunState == kRunAbortRequested) flags |= kSwitchAbort;
    globals_.SwitchFlags = static_cast<std::int16_t>(globals_.SwitchFlags | flags);
    return globals_.SwitchFlags;
}

void RunEngine::PauseRun() {
    globals_.SwitchFlags = static_cast<std::int16_t>(globals_.SwitchFlags & ~kSwitchPause);
    if (globals_.RunState != kRunRunning) return;
    globals_.RunState = kRunPaused;
    events_.PauseChanged(true);
    Ctl().PauseController();
    if (views_.runStatus) views_.runStatus->SetButtonCaptionToRestart();
    SetLampMode(kLampsPaused);
}

void RunEngine::RestartRun() {
    globals_.SwitchFlags = static_cast<std::int16_t>(globals_.SwitchFlags & ~kSwitchStart);
    if (globals_.RunState != kRunPaused) return;
    globals_.RunState = kRunRunning;
    events_.PauseChanged(false);
    Ctl().ResumeController();
    if (views_.runStatus) views_.runStatus->SetButtonCaptionToPause();
    SetLampMode(kLampsRunning);
    PollWaitForMotorIdle(false);
}

void RunEngine::AbortRun() {
    std::int16_t state = globals_.RunState;
    if (state != kRunRunning && state != kRunPaused && state != kRunStopping) return;
    globals_.RunState = kRunAbortRequested;
    // The stop drops the queue on purpose.
    ledger_.Stop();
    // During the port search there is no controller yet; the scan only
    // needs the state.
    if (controller_ != nullptr) controller_->PauseController();
    if (views_.runStatus) views_.runStatus->SetButtonAbortCaptionAborting();
}

std::int32_t RunEngine::PollWaitForMotorIdle(bool waitForFullStop) {
    bool pauseSeen = false;
    bool aborted = false;
    std::int32_t code = 0;
    std::int32_t lastWaitCode = 0;
    for (;;) {
        if (globals_.RunState == kRunAbortRequested) {
            aborted = true;
            break;
        }
        pump_.DispatchPending();
        // Quitting the program in the middle of a run ends the run first; so
        // does a log that can no longer be written (the program then ends).
        if (pump_.QuitRequested() || env_.LogFailed()) AbortRun();
        ReadSwitches();
        if (globals_.RunState == kRunAbortRequested) {
            aborted = true;
            break;
        }
        const std::int16_t flags = globals_.SwitchFlags;
        if (globals_.LampMode == kLampsRunning) {
            if ((flags & (kSwitchPause | kSwitchStop)) != 0) PauseRun();
        } else if (globals_.LampMode == kLampsPaused) {
            if ((flags & kSwitchStop) != 0 && pauseSeen)
                AbortRun();
            else if ((flags & kSwitchStart) != 0)
                RestartRun();
        }
        code = WaitIdle(250);
        lastWaitCode = code;
        if (globals_.Ring.ChangedSinceExtract(globals_.cQueInUse)) UpdateQueueDisplays();
        UpdateElapsedTime();
        if (code == kWaitTimedOut) continue;
        if (code == kWaitIdle) break;
        if (code == kWaitMovingWithRoom || code == kWaitAcceptingWithRoom) {
            if (!waitForFullStop) break;
            continue;
        }
        if (code == kWaitPaused) {
            pauseSeen = true;
            PauseRun();
            if (waitForFullStop || globals_.RunState == kRunStopping) break;
            continue;
        }
        globals_.RunState = kRunAbortRequested;
    }
    if (aborted || globals_.RunState == kRunAbortRequested) {
        Log("PollWaitForMotorIdle wait has detected being in abort state - IdleWait reported " +
            std::to_string(lastWaitCode));
        code = -1;
    }
    if (code == kWaitPaused) {
        Log("PollWaitForMotorIdle wait has detected being in pause state - returning '-1' to abort higher level code");
        code = -1;
    }
    Log("PollWaitForMotorIdle wait is returning " + std::to_string(code));
    return code;
}

void RunEngine::PaintSwitchLabels(std::int16_t flags, std::int16_t changed) {
    SwitchDialogView* dialog = views_.switchDialog;
    if (dialog == nullptr) return;
    for (const SwitchLabel& s : kSwitchLabels) {
        if ((changed & s.bit) == 0) continue;
        if ((flags & s.bit) != 0) {
            (dialog->*s.set)();
            dialog->PaintLabel(s.bit, 255, 128, 128);
        } else {
            dialog->ClearLabel(s.bit);
            dialog->PaintLabel(s.bit, 128, 255, 128);
        }
    }
    if (changed != 0) dialog->Refresh();
}

// Pause between two reads of the panel while waiting for the switches to open.
constexpr std::int32_t kSwitchPollIntervalMs = 20;

void RunEngine::WaitForSwitchesOpen() {
    globals_.SwitchFlags = 0;
    bool shown = false;
    std::int16_t previous = 0;
    platform::Clock& clock = env_.Clock();
    while (ReadSwitches() != 0) {
        const std::int16_t flags = globals_.SwitchFlags;
        if (!shown) {
            shown = true;
            if (views_.switchDialog) {
                views_.switchDialog->LoadLabels();
                views_.switchDialog->ShowModeless();
            }
            if (views_.runStatus) views_.runStatus->SetEnabled(false);
            if (views_.mainWindow) views_.mainWindow->SetEnabled(false);
            previous = static_cast<std::int16_t>(flags ^ kAllSwitches);
        }
        PaintSwitchLabels(flags, static_cast<std::int16_t>(flags ^ previous));
        // Flash the lamps of the closed switches once a second.
        std::tm local = platform::LocalTime(clock.WallTime());
        const std::int64_t freq = clock.TickFrequency();
        const double fraction = freq > 0 ? static_cast<double>(clock.Ticks() % freq) / static_cast<double>(freq) : 0;
        const double secondsSinceMidnight = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
        if (static_cast<std::int64_t>(std::floor(2 * secondsSinceMidnight)) % 2 != 0)
            Ctl().SetLamps(flags);
        else
            Ctl().SetLamps(0);
        previous = flags;
        globals_.SwitchFlags = 0;
        globals_.RunState = kRunIdle;
        pump_.DispatchPending();
        // A program that is quitting no longer waits for the operator.
        if (pump_.QuitRequested() || env_.LogFailed()) break;
        // A switch or limit held for hours must not keep a core busy and the
        // log growing by thousands of exchanges a second: poll at 50 Hz.
        clock.Sleep(kSwitchPollIntervalMs);
    }
    if (!shown) return;
    if (views_.switchDialog) views_.switchDialog->Hide();
    if (views_.runStatus) views_.runStatus->SetEnabled(true);
    if (views_.mainWindow) views_.mainWindow->SetEnabled(true);
    if (views_.runStatus && views_.runStatus->IsVisible()) {
        views_.runStatus->Activate();
        views_.runStatus->Refresh();
    }
    if (views_.mainWindow && views_.mainWindow->IsVisible()) {
        views_.mainWindow->Activate();
        views_.mainWindow->Refresh();
    }
}

void RunEngine::CheckSwitchesOpen() {
    SetLampMode(kLampsOff);
    globals_.SwitchFlags = 0;
    Ctl().ReadLatchedData();
    if (ReadSwitches() != 0) WaitForSwitchesOpen();
}

void RunEngine::ReturnToMainWindow() {
    MainWindowView* main = views_.mainWindow;
    if (main) {
        main->Hide();
        main->StopTimer();
    }
    CheckSwitchesOpen();
    if (main) {
        main->ShowModeless();
        main->Activate();
        main->StartTimer();
    }
}

void RunEngine::CheckStartSwitches() {
    globals_.SwitchFlags = 0;
    SetLampMode(kLampsReady);
    const std::int16_t flags = ReadSwitches();
    if ((flags & (kSwitchPause | kSwitchStop | kSwitchAbort)) != 0) {
        WaitForSwitchesOpen();
    } else if ((flags & kSwitchStart) != 0) {
        if (views_.mainWindow) {
            views_.mainWindow->StopTimer();
            if (!startSwitch_ || !startSwitch_()) views_.mainWindow->btnFullRun_Click();
        }
    } else if ((flags & kSwitchBurnish) != 0) {
        if (views_.mainWindow) {
            views_.mainWindow->StopTimer();
            views_.mainWindow->btnStartBurnish_Click();
        }
    }
}

void RunEngine::RetryOrAbortScan() {
    if (globals_.RunState == kRunIdle) {
        if (scanForBoards_) scanForBoards_();
    } else {
        globals_.RunState = kRunAbortRequested;
    }
}

}  // namespace plyx::engine
