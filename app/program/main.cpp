// plyx3: one instance of the operator program. It owns the program's state
// objects, joins the board link, the run engine and the windows, and runs
// the start-up sequence: an instance without REQCOMPORT searches the ports
// and starts one instance per controller; one with REQCOMPORT keeps its
// port and shows the main window.
#include <QApplication>
#include <QStandardPaths>
#include <QWidget>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "app/Startup.h"
#include "app/search/PortSearch.h"
#include "engine/RunEngine.h"
#include "engine/RunState.h"
#include "engine/machine/MachineKeeper.h"
#include "engine/notify/RunNotifier.h"
#include "engine/plan/RunFollowers.h"
#include "link/CommLog.h"
#include "link/ZentrovaCom.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/ProcessLauncher.h"
#include "platform/qt/LogindKeepAwake.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtEventPump.h"
#include "platform/qt/QtPost.h"
#include "platform/qt/QuitSignals.h"
#include "platform/serial/ComPortMap.h"
#include "status/StatusService.h"
#include "text/Resources.h"
#include "ui/Application.h"
#include "ui/UiContext.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"

namespace {

using namespace plyx;

// Start-up steps that need the board link and the windows.
class WindowedStartup final : public app::StartupContinuation, public app::ControllerStartup {
public:
    WindowedStartup(app::Environment& env, link::ZentrovaCom& boardLink, engine::RunEngine& engine,
                    ui::Application& windows, app::PortSearch& search, status::StatusService& status)
        : env_(env), link_(boardLink), engine_(engine), windows_(windows), search_(search), status_(status) {}

    void CreateBoardLink() override { link_.SetAutoAwakeFlags(1); }

    void ShowSplash() override {
        ui::frmSplash& splash = windows_.ShowSplash();
        search_.SetSplash(&splash);
    }

    void ScanForBoards() override {
        // COM names resolve through the data directory's ports/ links.
        platform::serial::PortPaths paths = link_.PortPaths();
        paths.dataDirectory = env_.GetDataDirectory();
        link_.SetPortPaths(paths);
        search_.ScanForBoards();
    }

    void CreateDriver() override { engine_.CreateDriver(link_); }
    void InitializeController() override {
        // The port is this instance's now: a run the last one never saw end gets its line.
        windows_.Record().RecordInterruptedRun();
        status_.Start();
        engine_.InitializeController();
    }
    void ShowMainWindow() override {
        windows_.LoadMainWindow();
        windows_.CloseSplashWindow();
        search_.SetSplash(nullptr);
        engine_.ReturnToMainWindow();
    }
    void SelectModel() override {
        if (ui::frmMain* main = windows_.MainWindow()) main->mnuFileSelectModel_Click();
    }
    void StopSwitchPolling() override {
        if (ui::frmMain* main = windows_.MainWindow()) main->StopTimer();
    }
    void StartupDone() override { windows_.StartupDone(); }

private:
    app::Environment& env_;
    link::ZentrovaCom& link_;
    engine::RunEngine& engine_;
    ui::Application& windows_;
    app::PortSearch& search_;
    status::StatusService& status_;
};

std::string JoinArguments(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    // Qt takes the user's locale for everything; numbers written to files,
    // logs and the line keep the point (a German "12,5" would split a
    // field of the production record).
    std::setlocale(LC_NUMERIC, "C");
    qapp.setQuitOnLastWindowClosed(false);  // the program decides when it ends
    // A file size limit then fails the write (reported) instead of killing the program.
    (void)std::signal(SIGXFSZ, SIG_IGN);

    platform::Clock& clock = platform::SystemClock();
    link::CommLog log(clock);
    text::TextTables tables;
    platform::QtDialogs dialogs;
    app::Environment env(log, dialogs, clock, tables);
    std::string exe = platform::ExecutablePath();
    env.ExecutablePath = exe.empty() ? std::string(argv[0]) : exe;
    env.CommandLine = JoinArguments(argc, argv);
    env.DocumentsFolder = [] {
        QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return docs.isEmpty() ? app::DefaultDocumentsFolder() : docs.toStdString();
    };
    // Ending the program ends it at once: the exit actions have already
    // released the port and written out the log.
    env.ExitHook = [](int code) {
        std::fflush(nullptr);
        std::_Exit(code);
    };

    app::ParameterSet params;
    engine::RunGlobals globals;
    platform::QtEventPump pump;
    platform::LogindKeepAwake keepAwake;
    platform::PosixProcessLauncher launcher;
    // SIGTERM, SIGINT and SIGHUP (the terminal closed) end the program as a
    // quit does: a run stops and resets the controller first, an open
    // message box closes, and the program then ends through ExitProgram
    // below with both logs closed.
    platform::QuitSignals quitSignals([&](int signo) {
        const char* name = signo == SIGINT ? "SIGINT" : signo == SIGHUP ? "SIGHUP" : "SIGTERM";
        env.LogLine(std::string("Ending on signal ") + name);
        pump.RequestQuit();
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        QCoreApplication::exit(0);
    });

    link::ZentrovaCom boardLink(log, clock);
    boardLink.SetEventPump(&pump);
    boardLink.SetKeepAwake(&keepAwake);

    engine::RunEngine engine(env, params, globals, pump);
    ui::UiContext ctx{env, params, engine};
    // The run's observers beside the windows, in the order they read each other.
    engine::RunFollowers runs(env, params, engine);
    // After them: the machine's counters and tape roll, and the operator's notification programs.
    engine::MachineKeeper machine(env, params, engine, runs);
    engine::RunNotifier notifier(env, params, engine, runs, platform::PostToQtLoop);
    // The status page follows the run after them all (it reads them).
    status::StatusService status(env, params, engine, runs, &boardLink);
    ui::Application windows(ctx, runs);
    windows.SetMachine(&machine);
    status.SetMachine(&machine);
    machine.OnChange = [&] { status.ShowCounters(); };
    windows.OnTextsApplied = [&] { status.Refresh(); };
    app::PortSearch search(env, params, globals, boardLink, pump, launcher);
    WindowedStartup startup(env, boardLink, engine, windows, search, status);
    search.SetControllerStartup(&startup);
    engine.SetScanForBoards([&] { search.ScanForBoards(); });

    env.AddExitAction([&] { windows.CloseSplashWindow(); });
    env.AddExitAction([&] { boardLink.PortClose(); });
    env.AddExitAction([&] { engine.ReleaseDrivers(); });
    windows.OnProgramEnd = [&] { env.ExitProgram(0); };

    ui::RunAction(env, [&] { app::Main(env, params, &startup); });
    // A quit asked for during start-up comes before Qt's loop runs.
    if (!pump.QuitRequested()) qapp.exec();
    env.ExitProgram(0);
}
