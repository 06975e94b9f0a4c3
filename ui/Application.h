#pragma once
// The five windows of one instance and their wiring to the run engine: the
// entry point the program's main function uses once the environment, the
// parameter set and the engine exist.
//
//   ui::Application windows(ctx);
//   windows.ShowSplash();                 // before the port search
//   ...search: windows.Splash() is its app::SplashView...
//   windows.ShowMainWindow();             // a controller was found
#include <functional>
#include <memory>

#include "engine/RunEngine.h"
#include "engine/machine/MachineKeeper.h"
#include "engine/plan/RunFollowers.h"
#include "ui/ResumeStarter.h"
#include "ui/UiContext.h"

namespace plyx::ui {

class frmMain;
class frmResume;
class frmRunStatus;
class frmSplash;
class frmSwitchStatus;

class Application {
public:
    // Creates the run status window and the switch dialog (hidden) and hands
    // them to the engine.
    // runs: the run's plan, progress and record, which the windows show.
    Application(UiContext& ctx, engine::RunFollowers& runs);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The splash window, created and shown (not modal) on first use.
    frmSplash& ShowSplash();
    frmSplash* Splash() { return splash_.get(); }
    // Hides and unloads the splash window.
    void CloseSplashWindow();

    // Creates and loads the main window (texts applied, timer stopped) and
    // hands it to the engine; shown by the engine's ReturnToMainWindow.
    frmMain& LoadMainWindow();
    frmMain* MainWindow() { return main_.get(); }
    // A controller was found: the main window is loaded, the splash window
    // closes and the engine returns to the main window (switches open first).
    void ShowMainWindow();
    frmRunStatus& RunStatus() { return *runStatus_; }
    engine::RunRecord& Record() { return runs_.record; }
    // The machine's counters and tape roll: the main window's Machine
    // window, and the roll's question before every run (window or panel).
    void SetMachine(engine::MachineKeeper* machine);
    frmSwitchStatus& SwitchStatus() { return *switchStatus_; }

    // Every loaded window shows the texts of the current language again.
    void ApplyTextsEverywhere();
    // The main window's line on how the last run ended.
    void ShowLastRun();

    // ---- a stopped run ----
    // Start-up is done (the port kept, the model chosen): RESUME=L arms a
    // resume (or says why not); without it a stopped run is offered.
    void StartupDone();
    // The offer of this port's stopped run (File, Resume Stopped Run...);
    // the resume runs when the operator starts it. With none, says so
    // unless quietWhenNone.
    void OfferResume(bool quietWhenNone);
    ResumeStarter& Resume() { return resume_; }
    // Shows the offer and answers QDialog's result (tests answer it themselves).
    std::function<int(frmResume&)> ExecResumeWindow;

    // Called once every window shows the texts of a newly loaded language.
    std::function<void()> OnTextsApplied;

    // Called when the main window has closed and every other window is
    // unloaded: the program ends. Unset: Qt's loop is asked to quit.
    std::function<void()> OnProgramEnd;

private:
    void UnloadOthers();
    void WireEngine();

    UiContext& ctx_;
    engine::RunFollowers& runs_;
    engine::MachineKeeper* machine_ = nullptr;
    std::unique_ptr<frmRunStatus> runStatus_;
    std::unique_ptr<frmSwitchStatus> switchStatus_;
    std::unique_ptr<frmSplash> splash_;
    std::unique_ptr<frmMain> main_;
    ResumeStarter resume_;
    // Shown in the main window's line in place of the last run: a resume
    // armed from the command line, or why it was not.
    std::string resumeNotice_;
};

}  // namespace plyx::ui
