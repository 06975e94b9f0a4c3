#pragma once
// The window that offers to go on with a stopped run: the shell, the kind
// of run, how and when it ended, where it stood, the layer to resume from
// (its last one, or any earlier), the plan still to run (the done part
// grey), the board's reported position, the position the chosen layer
// starts at and the positioning move between them. Nothing moves while it
// is open: its Start button or START on the panel closes it with the
// choice, and the caller runs the resume.
#include <QDialog>
#include <cstdint>

#include "engine/plan/Resume.h"
#include "ui/UiContext.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace plyx::ui {

class PlanDrawing;

class frmResume final : public QDialog {
    Q_OBJECT
public:
    frmResume(UiContext& ctx, const engine::ResumeSituation& situation, QWidget* parent = nullptr);
    ~frmResume() override;

    // The chosen layer and the operator's word that the head stands at its
    // start (asked only when the board's position cannot be trusted).
    std::int32_t Layer() const;
    bool HeadConfirmed() const;
    void ChooseLayer(std::int32_t layer);
    void ConfirmHeadAtStart(bool confirmed);
    // Why the resume may not start now ("" when it may).
    std::string Refusal() const;
    void ApplyTexts();

    // ---- handlers ----
    void btnStart_Click();
    void btnNotNow_Click();
    // One poll of the panel: START starts the resume when it may.
    void TimerEvent();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Refresh();
    void Lamps(bool startLit);

    UiContext& ctx_;
    const engine::ResumeSituation& s_;
    bool polling_ = false;

    QLabel* lblShellCaption_ = nullptr;
    QLabel* lblShell_ = nullptr;
    QLabel* lblKindCaption_ = nullptr;
    QLabel* lblKind_ = nullptr;
    QLabel* lblEndedCaption_ = nullptr;
    QLabel* lblEnded_ = nullptr;
    QLabel* lblStoodCaption_ = nullptr;
    QLabel* lblStood_ = nullptr;
    QLabel* lblLayerCaption_ = nullptr;
    QComboBox* cboLayer_ = nullptr;
    QLabel* lblHead_ = nullptr;
    QLabel* lblLayerStart_ = nullptr;
    QLabel* lblPositioning_ = nullptr;
    QLabel* lblUntrusted_ = nullptr;
    QCheckBox* chkHeadAtStart_ = nullptr;
    QLabel* lblRefusal_ = nullptr;
    PlanDrawing* drawing_ = nullptr;
    QLabel* lblHint_ = nullptr;
    QPushButton* btnStart_ = nullptr;
    QPushButton* btnNotNow_ = nullptr;
    QTimer* tmrPanel_ = nullptr;
};

}  // namespace plyx::ui
