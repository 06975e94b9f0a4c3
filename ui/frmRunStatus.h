#pragma once
// The run status window: shown for the whole of a run and after it. Shows
// the shell, the layer being queued, the tape laid and the elapsed time, and
// offers Pause/Restart, Abort Run (Load New Shell once the run has ended),
// the tape unit, Auto Return and a live change of the per-layer increase.
#include <QWidget>
#include <cstdint>

#include "engine/Views.h"
#include "ui/UiContext.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace plyx::engine {
class RunFollowers;
}

namespace plyx::ui {

class frmRunStatus final : public QWidget, public engine::RunStatusView {
    Q_OBJECT
public:
    explicit frmRunStatus(UiContext& ctx, QWidget* parent = nullptr);
    ~frmRunStatus() override;

    // ---- engine::RunStatusView ----
    void LoadLabels() override;
    void SetButtonAbortCaptionToAbort() override;
    void SetButtonAbortCaptionAborting() override;
    void SetButtonAbortCaptionToLoadNewShell() override;
    void SetButtonCaptionToPause() override;
    void SetButtonCaptionToRestart() override;
    void UpdateUnitsCaption() override;
    void SetShellNameCaption(const std::string& strName) override;
    void SetPauseOrRestartEnabled(bool enabled) override;
    void SetAutoCloseRunChecked(bool checked) override;
    void SetShowAsMetersChecked(bool checked) override;
    void SetElapsedTimeText(const std::string& text) override;
    void SetStepTotalText(const std::string& text) override;
    void SetLayerTotalText(const std::string& text) override;
    void ShowModeless() override;
    void Hide() override;
    bool IsVisible() override;
    void Activate() override;
    void Refresh() override;
    void SetEnabled(bool enabled) override;
    void SetResumedFromLayer(std::int32_t layer) override;

    // Applies the texts again in the current language, keeping the state
    // of the run (button captions, shell name, values).
    void ApplyTexts();
    bool Paused() const { return fPaused_; }

    // Below the run controls: tape laid against the plan and the time
    // left, from the run's progress (which follows the controller).
    void SetRunFollowers(engine::RunFollowers* followers);
    void ShowProgress();

    // ---- handlers ----
    void btnAbort_Click();
    void btnPauseOrRestart_Click();
    void chkAutoCloseRun_Click();
    void chkShowAsMeters_Click();
    void btnSetPercentIncrease_Click();

protected:
    // While a run goes on the window stays; once it has ended, closing it
    // is Load New Shell.
    void closeEvent(QCloseEvent* event) override;

private:
    enum class AbortCaption { Abort, Aborting, LoadNewShell };
    void BuildControls();
    void ApplyAbortCaption();
    void ApplyShellName();

    UiContext& ctx_;
    bool fPaused_ = false;
    AbortCaption abortCaption_ = AbortCaption::Abort;
    bool shellNameFromFile_ = false;
    std::int32_t resumedFrom_ = 0;

    QLabel* lblCurrentShellLabel_ = nullptr;
    QLabel* lblShellName_ = nullptr;
    QLabel* lblQueuingLayerLabel_ = nullptr;
    QLabel* lblLayerTotal_ = nullptr;
    QLabel* lblTapeUnits_ = nullptr;
    QLabel* lblStepTotal_ = nullptr;
    QLabel* lblElapsedTimeLbl_ = nullptr;
    QLabel* lblElapsedTime_ = nullptr;
    QPushButton* btnPauseOrRestart_ = nullptr;
    QPushButton* btnAbort_ = nullptr;
    QCheckBox* chkAutoCloseRun_ = nullptr;
    QCheckBox* chkShowAsMeters_ = nullptr;
    QGroupBox* Frame1_ = nullptr;
    QLabel* Label1_ = nullptr;
    QLineEdit* edtLayerIncreasePercent2_ = nullptr;
    QPushButton* btnSetPercentIncrease_ = nullptr;

    engine::RunFollowers* runs_ = nullptr;
    QProgressBar* prgTapeLaid_ = nullptr;
    QLabel* lblTimeLeftLbl_ = nullptr;
    QLabel* lblTimeLeft_ = nullptr;
    QLabel* lblRunState_ = nullptr;
};

}  // namespace plyx::ui
