#include "ui/frmRunStatus.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

#include "app/Numbers.h"
#include "engine/DisplayText.h"
#include "engine/plan/RunFollowers.h"
#include "ui/Layout.h"
#include "ui/ResourceText.h"
#include "ui/RunStateText.h"

namespace plyx::ui {

namespace {
QString PercentText(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

// The run controls' design area, and the progress rows added below it.
constexpr int kClientWidth = 7185;
constexpr int kClientHeight = 8985;
}  // namespace

frmRunStatus::frmRunStatus(UiContext& ctx, QWidget* parent) : QWidget(parent, Qt::Window), ctx_(ctx) {
    setObjectName(QStringLiteral("frmRunStatus"));
    BuildControls();
    LoadLabels();
}

frmRunStatus::~frmRunStatus() = default;

void frmRunStatus::BuildControls() {
    SetClientSizeTwips(this, kClientWidth, kClientHeight);
    auto label = [this](QWidget* parent, const char* name, int l, int t, int w, int h, double pt, bool wrap = false) {
        QLabel* made = NewLabel(parent, l, t, w, h, pt, true, wrap);
        made->setObjectName(QString::fromLatin1(name));
        return made;
    };
    // The caption has the width "Current shell:" takes in a common sans-serif
    // font at its design size, so that it stands as large as the name beside it.
    lblCurrentShellLabel_ = label(this, "lblCurrentShellLabel", 120, 480, 2280, 375, 13.5);
    lblShellName_ = label(this, "lblShellName", 2430, 480, 4755, 735, 13.5, true);
    // The captions of the three rows reach down to the next row, so that a
    // long translation takes a second line before it gets smaller.
    constexpr int kRowCaptionHeight = 570;
    lblQueuingLayerLabel_ = label(this, "lblQueuingLayerLabel", 840, 1320, 2175, kRowCaptionHeight, 12);
    lblLayerTotal_ = label(this, "lblLayerTotal", 3120, 1320, 3855, 375, 12);
    lblTapeUnits_ = label(this, "lblTapeUnits", 840, 1920, 2175, kRowCaptionHeight, 12);
    lblStepTotal_ = label(this, "lblStepTotal", 3120, 1920, 3855, 375, 12);
    lblElapsedTimeLbl_ = label(this, "lblElapsedTimeLbl", 840, 2520, 2175, kRowCaptionHeight, 12);
    lblElapsedTime_ = label(this, "lblElapsedTime", 3120, 2520, 3855, 375, 12);

    btnPauseOrRestart_ = NewButton(this, 960, 3360, 2295, 735, 12, true);
    btnPauseOrRestart_->setObjectName(QStringLiteral("btnPauseOrRestart"));
    connect(btnPauseOrRestart_, &QPushButton::clicked, this, &frmRunStatus::btnPauseOrRestart_Click);
    btnAbort_ = NewButton(this, 4080, 3360, 2295, 735, 12, true);
    btnAbort_->setObjectName(QStringLiteral("btnAbort"));
    connect(btnAbort_, &QPushButton::clicked, this, &frmRunStatus::btnAbort_Click);

    // Reaches to the other check box: there is no second line for a long caption.
    chkAutoCloseRun_ = NewCheckBox(this, 1200, 4440, 2580, 375, 12, false);
    chkAutoCloseRun_->setObjectName(QStringLiteral("chkAutoCloseRun"));
    connect(chkAutoCloseRun_, &QCheckBox::clicked, this, &frmRunStatus::chkAutoCloseRun_Click);
    chkShowAsMeters_ = NewCheckBox(this, 3840, 4440, 3135, 375, 9.75, false);
    chkShowAsMeters_->setObjectName(QStringLiteral("chkShowAsMeters"));
    connect(chkShowAsMeters_, &QCheckBox::clicked, this, &frmRunStatus::chkShowAsMeters_Click);

    Frame1_ = NewFrame(this, 360, 5160, 6495, 1815, 12, true, "MS Sans Serif");
    Frame1_->setObjectName(QStringLiteral("Frame1"));
    Label1_ = NewLabel(Frame1_, 120, 360, 2775, kRowCaptionHeight, 12, true);
    SetDesignFont(Label1_, 12, true, "MS Sans Serif");
    Label1_->setObjectName(QStringLiteral("Label1"));
    edtLayerIncreasePercent2_ = NewField(Frame1_, 3000, 360, 3255, 375, 12, true);
    edtLayerIncreasePercent2_->setObjectName(QStringLiteral("edtLayerIncreasePercent2"));
    btnSetPercentIncrease_ = NewButton(Frame1_, 1920, 960, 2415, 495, 12, true);
    SetDesignFont(btnSetPercentIncrease_, 12, true, "MS Sans Serif");
    btnSetPercentIncrease_->setObjectName(QStringLiteral("btnSetPercentIncrease"));
    connect(btnSetPercentIncrease_, &QPushButton::clicked, this, &frmRunStatus::btnSetPercentIncrease_Click);

    prgTapeLaid_ = new QProgressBar(this);
    prgTapeLaid_->setObjectName(QStringLiteral("prgTapeLaid"));
    prgTapeLaid_->setRange(0, 1000);
    prgTapeLaid_->setTextVisible(true);
    prgTapeLaid_->setFormat(QStringLiteral("%p%"));
    PlaceTwips(prgTapeLaid_, 360, 7110, 6495, 375);
    lblTimeLeftLbl_ = label(this, "lblTimeLeftLbl", 840, 7680, 2175, 375, 12);
    lblTimeLeft_ = label(this, "lblTimeLeft", 3120, 7680, 3855, 375, 12);
    // How the run stands or ended; two lines for a long translation.
    lblRunState_ = label(this, "lblRunState", 360, 8160, 6495, 735, 12, true);
    ShowProgress();
}

void frmRunStatus::LoadLabels() {
    ApplyTexts();
    SetButtonCaptionToPause();
    SetButtonAbortCaptionToAbort();
    edtLayerIncreasePercent2_->setText(PercentText(ctx_.params.zASAPL));
    SetClientSizeTwips(this, kClientWidth, kClientHeight);
    Frame1_->setVisible(true);
}

void frmRunStatus::ApplyTexts() {
    app::Environment& env = ctx_.env;
    ApplyResourceToControl(env, this, 700, env.PortCaptionPrefix);
    ApplyResourceToControl(env, chkShowAsMeters_, 701);
    ApplyResourceToControl(env, chkAutoCloseRun_, 702);
    ApplyResourceToControl(env, lblElapsedTimeLbl_, 708);
    ApplyResourceToControl(env, lblTapeUnits_, ctx_.params.fDSU != 0 ? 709 : 710);
    ApplyResourceToControl(env, lblQueuingLayerLabel_, 711);
    ApplyResourceToControl(env, lblCurrentShellLabel_, 712);
    ApplyResourceToControl(env, Frame1_, 905);
    ApplyResourceToControl(env, Label1_, 906);
    ApplyResourceToControl(env, btnSetPercentIncrease_, 907);
    ApplyResourceToControl(env, lblTimeLeftLbl_, 934);
    ApplyResourceToControl(env, btnPauseOrRestart_, fPaused_ ? 707 : 706);
    ApplyAbortCaption();
    ApplyShellName();
}

void frmRunStatus::ApplyAbortCaption() {
    const text::ResourceId id = abortCaption_ == AbortCaption::Abort      ? 703
                                : abortCaption_ == AbortCaption::Aborting ? 704
                                                                          : 705;
    ApplyResourceToControl(ctx_.env, btnAbort_, id);
}

void frmRunStatus::ApplyShellName() {
    if (!shellNameFromFile_ && !lblShellName_->text().isEmpty()) ApplyResourceToControl(ctx_.env, lblShellName_, 713);
}

void frmRunStatus::SetButtonAbortCaptionAborting() {
    ShowProgress();  // the status line says so
    abortCaption_ = AbortCaption::Aborting;
    btnAbort_->setEnabled(false);
    ApplyAbortCaption();
    btnPauseOrRestart_->setEnabled(false);
}

void frmRunStatus::SetButtonAbortCaptionToAbort() {
    abortCaption_ = AbortCaption::Abort;
    btnAbort_->setEnabled(true);
    ApplyAbortCaption();
    btnPauseOrRestart_->setEnabled(true);
}

void frmRunStatus::SetButtonAbortCaptionToLoadNewShell() {
    abortCaption_ = AbortCaption::LoadNewShell;
    btnAbort_->setEnabled(true);
    ApplyAbortCaption();
}

void frmRunStatus::SetButtonCaptionToRestart() {
    ApplyResourceToControl(ctx_.env, btnPauseOrRestart_, 707);
    fPaused_ = true;
}

void frmRunStatus::SetButtonCaptionToPause() {
    ApplyResourceToControl(ctx_.env, btnPauseOrRestart_, 706);
    fPaused_ = false;
}

void frmRunStatus::UpdateUnitsCaption() {
    ApplyResourceToControl(ctx_.env, lblTapeUnits_, ctx_.params.fDSU != 0 ? 709 : 710);
    ctx_.engine.UpdateQueueDisplays();
}

void frmRunStatus::SetShellNameCaption(const std::string& strName) {
    shellNameFromFile_ = !strName.empty();
    if (strName.empty())
        ApplyResourceToControl(ctx_.env, lblShellName_, 713);
    else
        SetCaption(lblShellName_, ToQString(strName));
}

void frmRunStatus::SetPauseOrRestartEnabled(bool enabled) { btnPauseOrRestart_->setEnabled(enabled); }
void frmRunStatus::SetAutoCloseRunChecked(bool checked) { chkAutoCloseRun_->setChecked(checked); }
void frmRunStatus::SetShowAsMetersChecked(bool checked) { chkShowAsMeters_->setChecked(checked); }
void frmRunStatus::SetElapsedTimeText(const std::string& text) { lblElapsedTime_->setText(ToQString(text)); }
void frmRunStatus::SetStepTotalText(const std::string& text) { lblStepTotal_->setText(ToQString(text)); }
void frmRunStatus::SetLayerTotalText(const std::string& text) { lblLayerTotal_->setText(ToQString(text)); }

void frmRunStatus::ShowModeless() { show(); }
void frmRunStatus::Hide() { hide(); }
bool frmRunStatus::IsVisible() { return isVisible(); }
void frmRunStatus::Activate() {
    raise();
    activateWindow();
}
void frmRunStatus::Refresh() { repaint(); }
void frmRunStatus::SetEnabled(bool enabled) { setEnabled(enabled); }

void frmRunStatus::SetRunFollowers(engine::RunFollowers* followers) {
    runs_ = followers;
    ShowProgress();
}

void frmRunStatus::SetResumedFromLayer(std::int32_t layer) {
    resumedFrom_ = layer;
    ShowProgress();
}

void frmRunStatus::ShowProgress() {
    std::string state = runs_ ? RunStateText(ctx_.env, ctx_.engine.Globals().RunState, runs_->record) : std::string();
    if (resumedFrom_ > 0) {
        const std::string resumed = text::FillTexts(ctx_.env.GetResourceText(1444), {std::to_string(resumedFrom_)});
        state = state.empty() ? resumed : state + ". " + resumed;
    }
    lblRunState_->setText(ToQString(state));
    if (runs_ == nullptr || runs_->progress.Plan().moveCount == 0) {
        prgTapeLaid_->setValue(0);
        lblTimeLeft_->clear();
        return;
    }
    const engine::RunProgress& progress = runs_->progress;
    prgTapeLaid_->setValue(static_cast<int>(std::lround(progress.Progress() * 1000)));
    // Once the run has ended, time left means nothing unless it ran out.
    const std::optional<engine::RunSummary>& last = runs_->record.LastRun();
    const bool completed = last && last->outcome == "completed";
    if (runs_->record.Running())
        lblTimeLeft_->setText(ToQString(engine::ElapsedTimeText(std::llround(progress.SecondsLeft()))));
    else if (completed)
        lblTimeLeft_->setText(ToQString(engine::ElapsedTimeText(0)));
    else
        lblTimeLeft_->clear();
}

// ---- handlers ----

void frmRunStatus::btnAbort_Click() {
    RunAction(ctx_.env, [this] {
        if (ctx_.engine.Globals().RunState != engine::kRunIdle) {
            if (runs_ != nullptr) runs_->record.NoteAbortFromWindow();
            ctx_.engine.AbortRun();
        }
        else
            ctx_.engine.CloseRunWindowAndReturn();
    });
}

void frmRunStatus::btnPauseOrRestart_Click() {
    RunAction(ctx_.env, [this] {
        if (fPaused_) {
            SetButtonCaptionToPause();
            ctx_.engine.RestartRun();
        } else {
            SetButtonCaptionToRestart();
            ctx_.engine.PauseRun();
        }
    });
}

void frmRunStatus::chkAutoCloseRun_Click() {
    ctx_.params.fAutoCloseRunWindow = chkAutoCloseRun_->isChecked() ? 1 : 0;
}

void frmRunStatus::chkShowAsMeters_Click() {
    RunAction(ctx_.env, [this] {
        ctx_.params.fDSU = chkShowAsMeters_->isChecked() ? 1 : 0;
        UpdateUnitsCaption();
    });
}

void frmRunStatus::btnSetPercentIncrease_Click() {
    const std::string text = ToStdString(edtLayerIncreasePercent2_->text());
    if (app::IsNumeric(text) && app::Val(text) > 0) {
        // Used from the next layer on; the parameter itself stays.
        ctx_.engine.SetLayerScaleFraction(app::Val(text) / 100.0);
    } else {
        edtLayerIncreasePercent2_->setText(PercentText(ctx_.params.zASAPL));
    }
}

void frmRunStatus::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (ctx_.engine.Globals().RunState == engine::kRunIdle && btnAbort_->isEnabled()) btnAbort_Click();
}

}  // namespace plyx::ui
