#pragma once
// The Machine window: the machine's counters (run hours, tape, runs by
// outcome, board errors, lost moves), the maintenance counter with its
// reset, and the tape left on the roll, entered in the display unit (feet,
// or metres with DSU). Modal, opened from the main window's View menu.
#include <QDialog>

#include "engine/machine/MachineKeeper.h"
#include "ui/UiContext.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace plyx::ui {

class frmMachine final : public QDialog {
    Q_OBJECT
public:
    frmMachine(UiContext& ctx, engine::MachineKeeper& machine, QWidget* parent = nullptr);
    ~frmMachine() override;

    // Shows the counters as they are now, in the current language and unit.
    void Refresh();
    void cmdResetService_Click();
    void cmdSetRoll_Click();

private:
    QLabel* Value(const char* name);

    UiContext& ctx_;
    engine::MachineKeeper& machine_;
    QLabel* lblRunHours_ = nullptr;
    QLabel* lblTapeLaid_ = nullptr;
    QLabel* lblRuns_ = nullptr;
    QLabel* lblRunsByOutcome_ = nullptr;
    QLabel* lblBoardErrors_ = nullptr;
    QLabel* lblLostMoves_ = nullptr;
    QLabel* lblServiceHours_ = nullptr;
    QLabel* lblServiceTape_ = nullptr;
    QLabel* lblLastService_ = nullptr;
    QLabel* lblRoll_ = nullptr;
    QLabel* lblRollCaption_ = nullptr;
    QLineEdit* edtRoll_ = nullptr;
    QPushButton* cmdResetService_ = nullptr;
    QPushButton* cmdSetRoll_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    std::vector<std::pair<QLabel*, text::ResourceId>> captions_;
};

}  // namespace plyx::ui
