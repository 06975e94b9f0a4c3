#pragma once
// The switch dialog: shown while any operator-panel switch is closed, with
// the name of each closed switch on light red and an empty light green
// label for each open one. It goes away by itself once all are open; its
// only button ends the program.
#include <QWidget>
#include <cstdint>

#include "engine/Views.h"
#include "ui/UiContext.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace plyx::ui {

class frmSwitchStatus final : public QWidget, public engine::SwitchDialogView {
    Q_OBJECT
public:
    explicit frmSwitchStatus(UiContext& ctx, QWidget* parent = nullptr);
    ~frmSwitchStatus() override;

    // ---- engine::SwitchDialogView ----
    void LoadLabels() override;
    void SetStartLabel() override;
    void SetPauseLabel() override;
    void SetStopLabel() override;
    void SetBurnishLabel() override;
    void SetAbortLabel() override;
    void ClearLabel(std::int16_t switchBit) override;
    void PaintLabel(std::int16_t switchBit, int red, int green, int blue) override;
    void ShowModeless() override;
    void Hide() override;
    void Refresh() override;

    // The label of one switch (its SwitchFlags bit), nullptr for any other value.
    QLabel* LabelOf(std::int16_t switchBit) const;

    // Applies the texts again in the current language; labels of open
    // switches stay empty.
    void ApplyTexts();

    void CancelButton_Click();

protected:
    // The dialog ends when the switches open, not when it is closed.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();

    UiContext& ctx_;
    QGroupBox* frmOpenSwitches_ = nullptr;
    QLabel* lblSwitchesClosedLabel_ = nullptr;
    QLabel* lblStart_ = nullptr;
    QLabel* lblBurnish_ = nullptr;
    QLabel* lblPause_ = nullptr;
    QLabel* lblStop_ = nullptr;
    QLabel* lblAbort_ = nullptr;
    QPushButton* CancelButton_ = nullptr;
};

}  // namespace plyx::ui
