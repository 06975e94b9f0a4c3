#include "ui/frmSwitchStatus.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "engine/RunState.h"
#include "ui/Layout.h"
#include "ui/ResourceText.h"

namespace plyx::ui {

frmSwitchStatus::frmSwitchStatus(UiContext& ctx, QWidget* parent) : QWidget(parent, Qt::Window), ctx_(ctx) {
    setObjectName(QStringLiteral("frmSwitchStatus"));
    BuildControls();
    LoadLabels();
}

frmSwitchStatus::~frmSwitchStatus() = default;

void frmSwitchStatus::BuildControls() {
    SetClientSizeTwips(this, 7560, 2880);
    frmOpenSwitches_ = NewFrame(this, 360, 240, 6855, 1215, 8.25, false);
    frmOpenSwitches_->setObjectName(QStringLiteral("frmOpenSwitches"));
    lblSwitchesClosedLabel_ = NewLabel(frmOpenSwitches_, 120, 240, 6615, 855, 8.25, false, true);
    lblSwitchesClosedLabel_->setObjectName(QStringLiteral("lblSwitchesClosedLabel"));

    auto lamp = [this](const char* name, int left) {
        QLabel* made = NewLabel(this, left, 1680, 1095, 375, 8.25, true);
        made->setObjectName(QString::fromLatin1(name));
        made->setAlignment(Qt::AlignCenter);
        made->setAutoFillBackground(true);
        made->setFrameShape(QFrame::Box);
        return made;
    };
    lblStart_ = lamp("lblStart", 1080);
    lblBurnish_ = lamp("lblBurnish", 2160);
    lblPause_ = lamp("lblPause", 3240);
    lblStop_ = lamp("lblStop", 4320);
    lblAbort_ = lamp("lblAbort", 5400);

    // Wider than designed (about the same centre), for longer translations.
    CancelButton_ = NewButton(this, 2580, 2280, 2415, 375, 8.25, false);
    CancelButton_->setObjectName(QStringLiteral("CancelButton"));
    connect(CancelButton_, &QPushButton::clicked, this, &frmSwitchStatus::CancelButton_Click);
}

void frmSwitchStatus::LoadLabels() {
    app::Environment& env = ctx_.env;
    ApplyResourceToControl(env, this, 600, env.PortCaptionPrefix);
    ApplyResourceToControl(env, frmOpenSwitches_, 601);
    ApplyResourceToControl(env, CancelButton_, 602);
    ApplyResourceToControl(env, lblSwitchesClosedLabel_, 608);
    SetStopLabel();
    SetPauseLabel();
    SetBurnishLabel();
    SetStartLabel();
    SetAbortLabel();
}

void frmSwitchStatus::SetStopLabel() { ApplyResourceToControl(ctx_.env, lblStop_, 603); }
void frmSwitchStatus::SetPauseLabel() { ApplyResourceToControl(ctx_.env, lblPause_, 604); }
void frmSwitchStatus::SetBurnishLabel() { ApplyResourceToControl(ctx_.env, lblBurnish_, 605); }
void frmSwitchStatus::SetStartLabel() { ApplyResourceToControl(ctx_.env, lblStart_, 606); }
void frmSwitchStatus::SetAbortLabel() { ApplyResourceToControl(ctx_.env, lblAbort_, 607); }

QLabel* frmSwitchStatus::LabelOf(std::int16_t switchBit) const {
    switch (switchBit) {
        case engine::kSwitchStart: return lblStart_;
        case engine::kSwitchPause: return lblPause_;
        case engine::kSwitchStop: return lblStop_;
        case engine::kSwitchBurnish: return lblBurnish_;
        case engine::kSwitchAbort: return lblAbort_;
        default: return nullptr;
    }
}

void frmSwitchStatus::ClearLabel(std::int16_t switchBit) {
    if (QLabel* label = LabelOf(switchBit)) label->clear();
}

void frmSwitchStatus::PaintLabel(std::int16_t switchBit, int red, int green, int blue) {
    QLabel* label = LabelOf(switchBit);
    if (label == nullptr) return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(red, green, blue));
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
}

void frmSwitchStatus::ShowModeless() {
    show();
    raise();
    activateWindow();
}
void frmSwitchStatus::Hide() { hide(); }
void frmSwitchStatus::Refresh() { repaint(); }

void frmSwitchStatus::ApplyTexts() {
    app::Environment& env = ctx_.env;
    ApplyResourceToControl(env, this, 600, env.PortCaptionPrefix);
    ApplyResourceToControl(env, frmOpenSwitches_, 601);
    ApplyResourceToControl(env, CancelButton_, 602);
    ApplyResourceToControl(env, lblSwitchesClosedLabel_, 608);
    // Only the labels of closed switches carry a name; the empty ones stay empty.
    if (!lblStop_->text().isEmpty()) SetStopLabel();
    if (!lblPause_->text().isEmpty()) SetPauseLabel();
    if (!lblBurnish_->text().isEmpty()) SetBurnishLabel();
    if (!lblStart_->text().isEmpty()) SetStartLabel();
    if (!lblAbort_->text().isEmpty()) SetAbortLabel();
}

void frmSwitchStatus::CancelButton_Click() {
    RunAction(ctx_.env, [this] {
        ctx_.engine.InitializeController();
        ctx_.env.ExitProgram(0);
    });
}

void frmSwitchStatus::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace plyx::ui
