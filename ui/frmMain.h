#pragma once
// The operator's home window between runs: the loaded model and shell, six
// large buttons, the File and View menus, and a 250 ms timer that polls the
// panel switches so that a run can be started from the machine.
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "engine/Views.h"
#include "ui/UiContext.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace plyx::ui {

class frmPreview;

class frmMain final : public QMainWindow, public engine::MainWindowView {
    Q_OBJECT
public:
    explicit frmMain(UiContext& ctx, QWidget* parent = nullptr);
    ~frmMain() override;

    // LoadLabels, then StopTimer: the timer runs once ReturnToMainWindow shows the window.
    void Form_Load();
    void LoadLabels();
    // The status bar's line on the last run ("" before the first).
    void ShowLastRun(const std::string& text);

    // ---- engine::MainWindowView ----
    void ShowModeless() override;
    void Hide() override;
    bool IsVisible() override;
    void Activate() override;
    void Refresh() override;
    void SetEnabled(bool enabled) override;
    void StartTimer() override;
    void StopTimer() override;
    void btnFullRun_Click() override;
    void btnStartBurnish_Click() override;

    // One switch poll; a tick that arrives while an earlier poll still runs does nothing.
    void TimerEvent();
    bool TimerBusy() const { return fTimerBusy_; }
    bool TimerRunning() const;

    // ---- handlers ----
    void btnLoadShell_Click();
    void btnEditThisShell_Click();
    void btnSaveThisShell_Click();
    void btnExit_Click();
    void mnuFileOpen_Click();
    void mnuFileSaveAs_Click();
    void mnuFileSelectModel_Click();
    void mnuFileResume_Click();
    void mnuFileExit_Click();
    void mnuViewOptions_Click();
    void mnuViewDefaultLanguage_Click();
    void mnuViewSelectLanguage_Click();
    void mnuViewSelectEnglish_Click();
    void mnuViewShowResourceIDs_Click();
    void mnuViewRunPreview_Click();
    // The run preview, once opened (nullptr before).
    frmPreview* Preview() { return preview_.get(); }

    // Called when the window closes (unload the other windows; the program ends).
    std::function<void()> OnUnload;
    // File, Resume Stopped Run: the offer of the stopped run (the timer is stopped).
    std::function<void()> OnResumeStoppedRun;
    // Called after a language or Show Resource IDs change, so that every
    // other window shows the new texts at once.
    std::function<void()> OnTextsChanged;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void TextsChanged();
    std::string ProgramDirectory() const;
    void Guard(const std::function<void()>& action);

    UiContext& ctx_;
    bool fTimerBusy_ = false;
    bool unloaded_ = false;

    QLabel* lblApplicationName_ = nullptr;
    QLabel* lblLastRun_ = nullptr;
    QLabel* lblCurrentShellLabel_ = nullptr;
    QLabel* lblShellName_ = nullptr;
    QLabel* lblShellSizeLabel_ = nullptr;
    QLabel* lblShellSize_ = nullptr;
    QPushButton* btnFullRun_ = nullptr;
    QPushButton* btnStartBurnish_ = nullptr;
    QPushButton* btnLoadShell_ = nullptr;
    QPushButton* btnEditThisShell_ = nullptr;
    QPushButton* btnSaveThisShell_ = nullptr;
    QPushButton* btnExit_ = nullptr;
    QTimer* tmrTimer_ = nullptr;

    QMenu* mnuFile_ = nullptr;
    QAction* mnuFileOpen_ = nullptr;
    QAction* mnuFileSaveAs_ = nullptr;
    QAction* mnuFileSelectModel_ = nullptr;
    QAction* mnuFileResume_ = nullptr;
    QAction* mnuFileExit_ = nullptr;
    QMenu* mnuView_ = nullptr;
    QAction* mnuViewOptions_ = nullptr;
    QAction* mnuViewDefaultLanguage_ = nullptr;
    QAction* mnuViewSelectLanguage_ = nullptr;
    QAction* mnuViewSelectEnglish_ = nullptr;
    QAction* mnuViewShowResourceIDs_ = nullptr;
    QAction* mnuViewRunPreview_ = nullptr;
    std::unique_ptr<frmPreview> preview_;
};

}  // namespace plyx::ui
