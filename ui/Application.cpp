#include "ui/Application.h"

#include <QCoreApplication>
#include <QDialog>
#include <cstdio>

#include "engine/plan/RunRecord.h"
#include "ui/RunStateText.h"
#include "ui/frmMain.h"
#include "ui/frmResume.h"
#include "ui/frmRunStatus.h"
#include "ui/frmSplash.h"
#include "ui/frmSwitchStatus.h"

namespace plyx::ui {

Application::Application(UiContext& ctx, engine::RunFollowers& runs)
    : ctx_(ctx),
      runs_(runs),
      runStatus_(std::make_unique<frmRunStatus>(ctx)),
      switchStatus_(std::make_unique<frmSwitchStatus>(ctx)),
      resume_(ctx, runs) {
    runStatus_->SetRunFollowers(&runs_);
    runs_.progress.OnChange = [this] { runStatus_->ShowProgress(); };
    runs_.record.OnChange = [this] {
        resumeNotice_.clear();  // a run has ended since
        runStatus_->ShowProgress();
        ShowLastRun();
    };
    // START on the panel runs a resume armed from the command line.
    ctx_.engine.SetStartSwitchAction([this] { return resume_.StartArmed(); });
    ctx_.engine.SetRunConfirmation([this](bool burnish) {
        engine::RunPlan plan;
        if (!engine::ConfirmLargeRun(ctx_.env, ctx_.params, burnish, &plan)) return false;
        if (machine_ != nullptr && !machine_->ConfirmRoll(plan)) return false;
        if (plan.moveCount > 0 && !plan.cutShort) runs_.progress.UsePlan(std::move(plan));
        return true;
    });
    WireEngine();
}

Application::~Application() {
    ctx_.engine.SetViews({});
    ctx_.engine.SetRunConfirmation(nullptr);
    ctx_.engine.SetStartSwitchAction(nullptr);
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
        main_->OnResumeStoppedRun = [this] { OfferResume(false); };
        main_->OnUnload = [this] {
            UnloadOthers();
            if (OnProgramEnd)
                OnProgramEnd();
            else
                QCoreApplication::quit();
        };
        WireEngine();
        main_->SetMachine(machine_);
        main_->Form_Load();
    }
    return *main_;
}

void Application::SetMachine(engine::MachineKeeper* machine) {
    machine_ = machine;
    if (main_) main_->SetMachine(machine);
}

void Application::ShowMainWindow() {
    LoadMainWindow();
    CloseSplashWindow();
    ctx_.engine.ReturnToMainWindow();
}

void Application::ShowLastRun() {
    if (main_)
        main_->ShowLastRun(resumeNotice_.empty() ? LastRunText(ctx_.env, runs_.record, ctx_.params.fDSU != 0)
                                                 : resumeNotice_);
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

void Application::StartupDone() {
    app::Environment& env = ctx_.env;
    std::string value;
    if (const std::optional<std::int32_t> layer = engine::ResumeLayerArgument(env.CommandLine, &value)) {
        const std::string why = resume_.Arm(*layer, value);
        if (why.empty()) {
            resumeNotice_ = text::FillTexts(env.GetResourceText(1446), {std::to_string(*layer)});
        } else {
            // Unattended: said where a script sees it, and in the main window; nothing waits for an answer.
            std::fprintf(stderr, "%s: %s\n", env.ProgramName.c_str(), why.c_str());
            resumeNotice_ = why;
        }
        ShowLastRun();
        return;
    }
    OfferResume(true);
}

void Application::OfferResume(bool quietWhenNone) {
    app::Environment& env = ctx_.env;
    const std::optional<engine::JournalEntry> journal = resume_.StoppedRun();
    if (!journal) {
        if (!quietWhenNone)
            env.Dialogs().ShowMessage(env.GetResourceText(1438), env.PortCaptionPrefix + env.ProgramName);
        ctx_.engine.ReturnToMainWindow();
        return;
    }
    // No START from the main window's poll while the offer is open.
    if (main_) main_->StopTimer();
    const engine::ResumeSituation situation = resume_.Assess(*journal);
    int result = QDialog::Rejected;
    std::int32_t layer = 0;
    bool confirmed = false;
    {
        frmResume window(ctx_, situation, main_.get());
        result = ExecResumeWindow ? ExecResumeWindow(window) : window.exec();
        layer = window.Layer();
        confirmed = window.HeadConfirmed();
    }
    if (result == QDialog::Accepted) {
        env.LogLine("The operator resumes the stopped run from layer " + std::to_string(layer));
        resume_.Start(situation, layer, confirmed);
    } else {
        // Declined: the journal stays for later.
        ctx_.engine.ReturnToMainWindow();
    }
}

}  // namespace plyx::ui
