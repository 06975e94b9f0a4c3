#pragma once
// What the run engine asks of the windows. The Qt windows implement these;
// tests use recording fakes, so the engine runs without a window system.
#include <cstdint>
#include <string>

namespace plyx::engine {

class RunStatusView {
public:
    virtual ~RunStatusView() = default;
    virtual void LoadLabels() = 0;
    virtual void SetButtonAbortCaptionToAbort() = 0;
    virtual void SetButtonAbortCaptionAborting() = 0;
    virtual void SetButtonAbortCaptionToLoadNewShell() = 0;
    virtual void SetButtonCaptionToPause() = 0;
    virtual void SetButtonCaptionToRestart() = 0;
    virtual void UpdateUnitsCaption() = 0;
    // Empty name: the window shows its "shell data not saved" text.
    virtual void SetShellNameCaption(const std::string& strName) = 0;
    // Availability of btnPauseOrRestart.
    virtual void SetPauseOrRestartEnabled(bool enabled) = 0;
    virtual void SetAutoCloseRunChecked(bool checked) = 0;   // chkAutoCloseRun
    virtual void SetShowAsMetersChecked(bool checked) = 0;   // chkShowAsMeters
    virtual void SetElapsedTimeText(const std::string& text) = 0;  // lblElapsedTime
    virtual void SetStepTotalText(const std::string& text) = 0;    // lblStepTotal
    virtual void SetLayerTotalText(const std::string& text) = 0;   // lblLayerTotal
    virtual void ShowModeless() = 0;
    virtual void Hide() = 0;
    virtual bool IsVisible() = 0;
    virtual void Activate() = 0;
    virtual void Refresh() = 0;
    virtual void SetEnabled(bool enabled) = 0;
    // The run goes on from this layer of a stopped run (0: a run from the start).
    virtual void SetResumedFromLayer(std::int32_t /*layer*/) {}
};

class SwitchDialogView {
public:
    virtual ~SwitchDialogView() = default;
    virtual void LoadLabels() = 0;
    virtual void SetStartLabel() = 0;
    virtual void SetPauseLabel() = 0;
    virtual void SetStopLabel() = 0;
    virtual void SetBurnishLabel() = 0;
    virtual void SetAbortLabel() = 0;
    // Empties the label of one switch (its SwitchFlags bit value).
    virtual void ClearLabel(std::int16_t switchBit) = 0;
    virtual void PaintLabel(std::int16_t switchBit, int red, int green, int blue) = 0;
    virtual void ShowModeless() = 0;
    virtual void Hide() = 0;
    virtual void Refresh() = 0;
};

class MainWindowView {
public:
    virtual ~MainWindowView() = default;
    virtual void ShowModeless() = 0;
    virtual void Hide() = 0;
    virtual bool IsVisible() = 0;
    virtual void Activate() = 0;
    virtual void Refresh() = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual void StartTimer() = 0;
    // Also turns the panel lamps off (SetLampMode(kLampsOff)).
    virtual void StopTimer() = 0;
    virtual void btnFullRun_Click() = 0;
    virtual void btnStartBurnish_Click() = 0;
};

}  // namespace plyx::engine
