// The main window's file and view handlers: the four file dialogs, model and
// shell files, options, languages and the end of the program.
#include <QCoreApplication>

#include "app/LanguageFiles.h"
#include "app/ParameterFiles.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "text/Resources.h"
#include "ui/ResourceText.h"
#include "ui/frmMain.h"
#include "ui/frmOptions.h"
#include "ui/frmPreview.h"

namespace plyx::ui {

namespace {

enum class FileDialogKind { SelectModel, OpenShell, SaveShellAs, SelectLanguage };

// Where the model dialog opens: the program's folder when models sit beside
// the program; an installed program's folder (/usr/bin) holds none, so then
// the data directory when the workshop keeps its models there, else the
// example models installed with the program, else the program's folder.
std::string ModelFolder(app::Environment& env, const std::string& programDirectory) {
    if (platform::FolderHoldsFileWithExtension(programDirectory, "cf")) return programDirectory;
    std::string data = env.GetDataDirectory();
    if (platform::FolderHoldsFileWithExtension(data, "cf")) return data;
    std::string examples = app::InstalledExamplesFolder(programDirectory) + "/models";
    if (platform::FolderExists(examples)) return examples;
    return programDirectory;
}

// The dialog's title (port prefix + text), its one filter (name and pattern),
// folder, proposed name and options.
platform::FileDialogRequest MakeRequest(app::Environment& env, const app::ParameterSet& params, FileDialogKind kind,
                                        const std::string& programDirectory) {
    platform::FileDialogRequest request;
    const bool save = kind == FileDialogKind::SaveShellAs;
    request.title = env.GetResourceText(save ? 803 : 804, env.PortCaptionPrefix);
    switch (kind) {
        case FileDialogKind::SelectModel:
            request.filter = env.GetResourceText(801) + "|*.cf";
            request.initialFolder = ModelFolder(env, programDirectory);
            break;
        case FileDialogKind::OpenShell:
        case FileDialogKind::SaveShellAs:
            request.filter = env.GetResourceText(802) + "|*.cfg;*.fin";
            request.initialFolder = env.GetDataDirectory();
            break;
        case FileDialogKind::SelectLanguage:
            request.filter = env.GetResourceText(818) + "|*.lng";
            request.initialFolder = env.GetDataDirectory();
            break;
    }
    if (save) {
        request.fileName = app::GetFileNameOf(app::TrimAtNul(params.CurrentShellFile));
        request.defaultExtension = "cfg";
        request.confirmOverwrite = true;
    } else {
        request.mustExist = true;
    }
    return request;
}

// The name of a model whose file has no Model line: the file's base name,
// blanks removed as from a Model line ("Bench Model 2.cf" -> "BenchModel2").
std::string ModelNameOfFile(const std::string& path) {
    std::string name = app::GetFileNameOf(path);
    const std::string extension = app::GetExtensionOf(name);
    if (!extension.empty()) name.resize(name.size() - extension.size() - 1);
    std::erase(name, ' ');
    return name;
}

std::string Ask(app::Environment& env, const platform::FileDialogRequest& request, bool save) {
    platform::Dialogs& dialogs = env.Dialogs();
    return app::TrimAtNul(save ? dialogs.GetSaveFileName(request) : dialogs.GetOpenFileName(request));
}

}  // namespace

std::string frmMain::ProgramDirectory() const {
    const std::string& exe = ctx_.env.ExecutablePath;
    const std::size_t slash = exe.rfind('/');
    if (slash != std::string::npos) return exe.substr(0, slash);
    return ToStdString(QCoreApplication::applicationDirPath());
}

void frmMain::btnLoadShell_Click() { mnuFileOpen_Click(); }
void frmMain::btnEditThisShell_Click() { mnuViewOptions_Click(); }
void frmMain::btnSaveThisShell_Click() { mnuFileSaveAs_Click(); }
void frmMain::btnExit_Click() { mnuFileExit_Click(); }

void frmMain::mnuFileSelectModel_Click() {
    Guard([this] {
        app::Environment& env = ctx_.env;
        app::ParameterSet& p = ctx_.params;
        const std::string remembered = p.CurrentShellFile;
        StopTimer();
        const std::string chosen = Ask(env, MakeRequest(env, p, FileDialogKind::SelectModel, ProgramDirectory()), false);
        if (!chosen.empty()) {
            app::LoadDefaults(p);
            // Without a model name no run may start, and the previous
            // model's name would be wrong for this one.
            p.strModel.clear();
            app::LoadParameterFile(env, p, chosen);
            if (p.strModel.empty() && platform::FileExists(chosen)) p.strModel = ModelNameOfFile(chosen);
            // The shell stays; only the machine under it changes.
            if (!remembered.empty())
                app::LoadParameterFile(env, p, remembered);
            else
                p.CurrentShellFile.clear();
            app::WriteParameterFile(env, p, "", 0);
            LoadLabels();
        }
        ctx_.engine.ReturnToMainWindow();
    });
}

void frmMain::mnuFileOpen_Click() {
    Guard([this] {
        app::Environment& env = ctx_.env;
        app::ParameterSet& p = ctx_.params;
        StopTimer();
        const std::string chosen = Ask(env, MakeRequest(env, p, FileDialogKind::OpenShell, ProgramDirectory()), false);
        if (!chosen.empty()) {
            app::LoadParameterFile(env, p, chosen);
            app::WriteParameterFile(env, p, "", 0);
            LoadLabels();
        }
        ctx_.engine.ReturnToMainWindow();
    });
}

void frmMain::mnuFileSaveAs_Click() {
    Guard([this] {
        app::Environment& env = ctx_.env;
        app::ParameterSet& p = ctx_.params;
        StopTimer();
        std::string chosen = Ask(env, MakeRequest(env, p, FileDialogKind::SaveShellAs, ProgramDirectory()), true);
        if (!chosen.empty()) {
            // The dialog adds the default extension to a bare name; so does any other chooser.
            if (app::GetExtensionOf(chosen).empty()) chosen += ".cfg";
            app::WriteParameterFile(env, p, chosen, app::kShellBlock);
            app::WriteParameterFile(env, p, "", 0);
            LoadLabels();
        }
        ctx_.engine.ReturnToMainWindow();
    });
}

void frmMain::mnuFileResume_Click() {
    Guard([this] {
        StopTimer();
        if (OnResumeStoppedRun) OnResumeStoppedRun();
    });
}

void frmMain::mnuFileExit_Click() {
    Guard([this] { ctx_.engine.InitializeController(); });
    close();
}

void frmMain::mnuViewOptions_Click() {
    Guard([this] {
        StopTimer();
        {
            frmOptions options(ctx_, this);
            options.IntializeData();
            options.exec();
        }
        LoadLabels();
        ctx_.engine.ReturnToMainWindow();
    });
}

void frmMain::mnuViewSelectLanguage_Click() {
    Guard([this] {
        app::Environment& env = ctx_.env;
        StopTimer();
        const platform::FileDialogRequest request =
            MakeRequest(env, ctx_.params, FileDialogKind::SelectLanguage, ProgramDirectory());
        for (;;) {
            std::string chosen = Ask(env, request, false);
            if (chosen.empty()) {
                ctx_.engine.ReturnToMainWindow();
                return;
            }
            // A file that fails is reported by the loader; the dialog comes again.
            if (text::LoadSelectedResourceFile(env, chosen) == 0) break;
        }
        app::WriteParameterFile(env, ctx_.params, "", 0);
        TextsChanged();
        ctx_.engine.ReturnToMainWindow();
    });
}

void frmMain::mnuViewDefaultLanguage_Click() {
    Guard([this] {
        std::string none;
        text::LoadSelectedResourceFile(ctx_.env, none);
        TextsChanged();
        ctx_.engine.ReturnToMainWindow();
    });
}

void frmMain::mnuViewSelectEnglish_Click() {
    Guard([this] {
        text::SelectEnglishLanguage(ctx_.env.Tables());
        TextsChanged();
        ctx_.engine.ReturnToMainWindow();
    });
}

void frmMain::mnuViewShowResourceIDs_Click() {
    Guard([this] {
        text::TextTables& tables = ctx_.env.Tables();
        tables.ShowResourceIDs = !tables.ShowResourceIDs;
        TextsChanged();
        ctx_.engine.ReturnToMainWindow();
    });
}

void frmMain::mnuViewRunPreview_Click() {
    Guard([this] {
        if (!preview_) preview_ = std::make_unique<frmPreview>(ctx_, this);
        preview_->Recompute();
        preview_->show();
        preview_->raise();
        preview_->activateWindow();
    });
}

void frmMain::TextsChanged() {
    LoadLabels();
    if (OnTextsChanged) OnTextsChanged();
}

}  // namespace plyx::ui
