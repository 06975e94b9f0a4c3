#include "ui/Application.h"

#include <QCoreApplication>

#include "engine/plan/RunRecord.h"
#include "ui/RunStateText.h"
#include "ui/frmMain.h"
#include "ui/frmRunStatus.h"
#include "ui/frmSplash.h"
#include "ui/frmSwitchStatus.h"

namespace plyx::ui {

Application::Application(UiContext& ctx)
    : ctx_(ctx),
      record_(std::make_unique<engine::RunRecord>(ctx.env, ctx.params, ctx.engine.Globals())),
      recordHandle_(std::make_shared<engine::RunRecord*>(record_.get())),
      runStatus_(std::make_unique<frmRunStatus>(ctx)),
      switchStatus_(std::make_unique<frmSwitchStatus>(ctx)) {
    runStatus_->SetRunRecord(record_.get());
    record_->OnChange = [this] {
        runStatus_->ShowProgress();
        ShowLastRun();
    };
    ctx_.engine.AddRunWatcher(record_.get());
    ctx_.engine.SetRunConfirmation([this](bool burnish) {
        engine::RunPlan plan;
        if (!engine::ConfirmLargeRun(ctx_.env, ctx_.params, burnish, &plan)) return false;
        if (plan.moveCount > 0) record_->UsePlan(std::move(plan));
        return true;
    });
    ctx_.env.EndRunAfterError = [this](std::int32_t number, const std::string& description) {
        std::string machine = ctx_.engine.StopAfterError();
        record_->EndWithError(number, description);
        return machine;
    };
    // The program ending in the middle of a run (closed, or a failure that
    // ends it in order) still leaves the run's line.
    // (The environment may outlive these windows: the action holds the
    // record through a handle the destructor clears.)
    ctx_.env.AddExitAction([handle = recordHandle_] {
        if (*handle != nullptr) (*handle)->EndWithError(0, "the program ended during the run");
    });
    WireEngine();
}

Application::~Application() {
    *recordHandle_ = nullptr;
    ctx_.engine.SetViews({});
    ctx_.engine.SetRunConfirmation(nullptr);
    ctx_.env.EndRunAfterError = nullptr;
    ctx_.engine.RemoveRunWatcher(record_.get());
    record_->OnChange = nullptr;
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
    if (main_) main_->ShowLastRun(LastRunText(ctx_.env, *record_, ctx_.params.fDSU != 0));
}

void Application::ApplyTextsEverywhere() {
    ShowLastRun();
    if (main_) main_->LoadLabels();
    if (runStatus_) runStatus_->ApplyTexts();
    if (switchStatus_) switchStatus_->ApplyTexts();
    if (splash_) splash_->Form_Load();
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
