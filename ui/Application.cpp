#include "ui/Application.h"

#include <QCoreApplication>

#include "engine/plan/RunRecord.h"
#include "ui/RunStateText.h"
#include "ui/frmMain.h"
#include "ui/frmRunStatus.h"
#include "ui/frmSplash.h"
#include "ui/frmSwitchStatus.h"

namespace plyx::ui {

Application::Application(UiContext& ctx, engine::RunFollowers& runs)
    : ctx_(ctx),
      runs_(runs),
      runStatus_(std::make_unique<frmRunStatus>(ctx)),
      switchStatus_(std::make_unique<frmSwitchStatus>(ctx)) {
    runStatus_->SetRunFollowers(&runs_);
    runs_.progress.OnChange = [this] { runStatus_->ShowProgress(); };
    runs_.record.OnChange = [this] {
        runStatus_->ShowProgress();
        ShowLastRun();
    };
    ctx_.engine.SetRunConfirmation([this](bool burnish) {
        engine::RunPlan plan;
        if (!engine::ConfirmLargeRun(ctx_.env, ctx_.params, burnish, &plan)) return false;
        if (plan.moveCount > 0) runs_.progress.UsePlan(std::move(plan));
        return true;
    });
    WireEngine();
}

Application::~Application() {
    ctx_.engine.SetViews({});
    ctx_.engine.SetRunConfirmation(nullptr);
    runs_.progress.OnChange = nullptr;
    runs_.record.OnChange = nullptr;
    main_.reset();
    splash_.reset();
    switchStatus_.reset();
    runStatus_.reset();
}

void Application::WireEngine() {
    engine::EngineViews views;
    views.runStatus = runStatus_.get();
    views.switchDialog = switchStatus_.get();
    views.mainWindow = main_.get();
    ctx_.engine.SetViews(views);
}

frmSplash& Application::ShowSplash() {
    if (!splash_) splash_ = std::make_unique<frmSplash>(ctx_);
    splash_->show();
    splash_->repaint();
    return *splash_;
}

void Application::CloseSplashWindow() {
    if (!splash_) return;
    splash_->hide();
    // Unloaded later: the call may come from inside one of its own handlers.
    splash_.release()->deleteLater();
}

frmMain& Application::LoadMainWindow() {
    if (!main_) {
        main_ = std::make_unique<frmMain>(ctx_);
        main_->OnTextsChanged = [this] { ApplyTextsEverywhere(); };
        main_->OnUnload = [this] {
            UnloadOthers();
            if (OnProgramEnd)
                OnProgramEnd();
            else
                QCoreApplication::quit();
        };
        WireEngine();
        main_->Form_Load();
    }
    return *main_;
}

void Application::ShowMainWindow() {
    LoadMainWindow();
    CloseSplashWindow();
    ctx_.engine.ReturnToMainWindow();
}

void Application::ShowLastRun() {
    if (main_) main_->ShowLastRun(LastRunText(ctx_.env, runs_.record, ctx_.params.fDSU != 0));
}

void Application::ApplyTextsEverywhere() {
    ShowLastRun();
    if (main_) main_->LoadLabels();
    if (runStatus_) runStatus_->ApplyTexts();
    if (switchStatus_) switchStatus_->ApplyTexts();
    if (splash_) splash_->Form_Load();
    if (OnTextsApplied) OnTextsApplied();
}

void Application::UnloadOthers() {
    // Newest first: the splash window, the switch dialog, the run status window.
    if (splash_) {
        splash_->hide();
        splash_.release()->deleteLater();
    }
    switchStatus_->hide();
    runStatus_->hide();
}

}  // namespace plyx::ui
