// The port search against simulated controllers registered as COM ports.
#include "app/search/PortSearch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "link/ZentrovaCom.h"
#include "platform/Dialogs.h"
#include "platform/FakeClock.h"
#include "sim/Simulator.h"
#include "tests/support/TempDir.h"
#include "text/Resources.h"

namespace plyx::app {
namespace {

class RecordingSplash : public SplashView {
public:
    std::vector<std::string> statuses;
    std::vector<bool> retryCaptions;
    void SetRetryOrAbortCaption(bool fRetry) override { retryCaptions.push_back(fRetry); }
    void SetScanningStatusMessage(const std::string& text) override { statuses.push_back(text); }
    // Ports tried, in order (the empty status that ends a search left out).
    std::vector<std::string> Tried() const {
        std::vector<std::string> out;
        for (auto& s : statuses)
            if (!s.empty()) out.push_back(s);
        return out;
    }
};

// Records the calls; polling stands for the main window's switch timer,
// which showing the main window starts and the model selection restarts.
class RecordingStartup : public ControllerStartup {
public:
    std::vector<std::string> calls;
    bool polling = false;
    void CreateDriver() override { calls.push_back("CreateDriver"); }
    void InitializeController() override { calls.push_back("InitializeController"); }
    void ShowMainWindow() override { calls.push_back("ShowMainWindow"), polling = true; }
    void SelectModel() override { calls.push_back("SelectModel"), polling = true; }
    void StopSwitchPolling() override { calls.push_back("StopSwitchPolling"), polling = false; }
};

// Sets RunState to "abort requested" at the n-th dispatch, like the splash
// window's Abort button.
class AbortingPump : public platform::EventPump {
public:
    engine::RunGlobals* globals = nullptr;
    int abortAt = -1;
    int calls = 0;
    void DispatchPending() override {
        if (++calls == abortAt) globals->RunState = engine::kRunAbortRequested;
    }
    bool QuitRequested() override { return false; }
};

class PortSearchTest : public ::testing::Test {
protected:
    PortSearchTest() {
        setenv("PLYX3_DOCUMENTS_DIR", docs.path().c_str(), 1);
        text::LoadInternalDictionary(tables, "PLYX3");
        env.ExitHook = [](int) {};  // ExitProgram then throws ProgramExit
        env.SetProgramPath("/opt/plyx3/bin/plyx3");
        dataDir = env.GetDataDirectory();
        platform::serial::PortPaths paths;
        paths.dataDirectory = dataDir;
        paths.devRoot = docs.File("dev");  // no real serial devices in tests
        paths.sysRoot = docs.File("sys");
        boardLink.SetPortPaths(paths);
        pump.globals = &globals;
        search.SetSplash(&splash);
        search.SetControllerStartup(&startup);
    }
    ~PortSearchTest() override { unsetenv("PLYX3_DOCUMENTS_DIR"); }

    sim::Simulator& AddController(int com, const std::string& firmware, const std::string& version) {
        sim::SimOptions o;
        o.firmwareName = firmware;
        o.versionText = version;
        sims.push_back(std::make_unique<sim::Simulator>(o));
        sims.back()->Start();
        sims.back()->RegisterAsCom(dataDir, com);
        return *sims.back();
    }

    test::TempDir docs;
    platform::FakeClock clock;
    link::CommLog log{clock};
    platform::FakeDialogs dialogs;
    text::TextTables tables;
    Environment env{log, dialogs, clock, tables};
    std::string dataDir;
    link::ZentrovaCom boardLink{log};
    engine::RunGlobals globals;
    AbortingPump pump;
    platform::FakeProcessLauncher launcher;
    RecordingSplash splash;
    RecordingStartup startup;
    ParameterSet params;
    PortSearch search{env, params, globals, boardLink, pump, launcher};
    std::vector<std::unique_ptr<sim::Simulator>> sims;
};

TEST_F(PortSearchTest, LauncherStartsOneInstancePerControllerAndEnds) {
    AddController(3, "QM4DNCRouterVarn", "5.02");
    AddController(7, "VT2D20NCRouterVarn", "1.3");
    env.CommandLine = "LOGFILE=run.log";
    env.OpenProgramLog(env.ProgramName + "LastStartup.log");

    EXPECT_THROW(search.ScanForBoards(), ProgramExit);

    ASSERT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(launcher.started[0].program, "/opt/plyx3/bin/plyx3");
    EXPECT_EQ(launcher.started[0].args, (std::vector<std::string>{"REQCOMPORT=3", "LOGFILE=run.log"}));
    EXPECT_EQ(launcher.started[1].args, (std::vector<std::string>{"REQCOMPORT=7", "LOGFILE=run.log"}));
    EXPECT_FALSE(boardLink.PortIsOpen());
    EXPECT_EQ(globals.RunState, engine::kRunIdle);
    EXPECT_TRUE(startup.calls.empty());
    // Pass 0 tries COM0 (no requested port) and no other port, as no
    // instance ran on any port before; pass 1 tries every port.
    auto tried = splash.Tried();
    ASSERT_EQ(tried.size(), 256u);
    EXPECT_EQ(tried.front(), "COM0");
    EXPECT_EQ(tried[1], "COM1");
    EXPECT_EQ(tried.back(), "COM255");
    EXPECT_EQ(splash.retryCaptions, (std::vector<bool>{false, true}));
    EXPECT_TRUE(env.ComPortName.empty());
}

TEST_F(PortSearchTest, PassZeroTriesOnlyPortsWithAnEarlierStartupLog) {
    ASSERT_TRUE(std::ofstream(dataDir + "/C9.PLYX3LastStartup.log"));

    search.ScanForBoards();  // nothing found: stays, offers Retry

    auto tried = splash.Tried();
    ASSERT_EQ(tried.size(), 257u);  // COM9 once more in the pass over every port
    EXPECT_EQ(tried[0], "COM0");
    EXPECT_EQ(tried[1], "COM9");
    EXPECT_EQ(tried[2], "COM1");
    EXPECT_EQ(globals.RunState, engine::kRunIdle);
    EXPECT_EQ(splash.retryCaptions.back(), true);
    EXPECT_TRUE(launcher.started.empty());
}

TEST_F(PortSearchTest, RequestedPortIsTheOnlyOneTriedAndKeepsItsController) {
    env.RequestedComPort = 5;  // no controller there: not one other port is tried
    search.ScanForBoards();
    EXPECT_EQ(splash.Tried(), (std::vector<std::string>{"COM5"}));
    EXPECT_EQ(splash.retryCaptions.back(), true);
    EXPECT_FALSE(boardLink.PortIsOpen());
    splash.statuses.clear();
    AddController(4, "VT2D20NCRouterVarn", "1.3");
    env.RequestedComPort = 4;
    env.PerPortPrefix = "C4.";
    params.strModel = "Model1.cf";
    params.strLogFile = "work.log";

    search.ScanForBoards();

    EXPECT_EQ(env.ControllerFamily, 2);
    EXPECT_TRUE(boardLink.PortIsOpen());
    EXPECT_EQ(env.ComPortName, "COM4");
    EXPECT_EQ(globals.RunState, engine::kRunRunning);  // until the first run or switch wait
    EXPECT_EQ(startup.calls,
              (std::vector<std::string>{"CreateDriver", "InitializeController", "ShowMainWindow"}));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(launcher.started.empty());
}

TEST_F(PortSearchTest, MissingModelQuestion) {
    AddController(2, "QM4DNCRouterVarn", "5.02");
    env.RequestedComPort = 2;

    // START closed on the panel while the question is up: a polling timer
    // would start a run on values nobody chose.
    bool pollingDuringQuestion = true;
    dialogs.whileShown = [&] { pollingDuringQuestion = startup.polling; };

    // OK: the model selection runs.
    search.ScanForBoards();
    EXPECT_FALSE(pollingDuringQuestion);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "COM2: Missing PLYX3 Model");
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::OkCancel);
    EXPECT_EQ(dialogs.messages[0].text.rfind("You have not yet selected a PLYX3 Model.\r\n", 0), 0u);
    EXPECT_EQ(startup.calls.back(), "SelectModel");

    // Cancel: the program ends.
    boardLink.PortClose();
    startup.calls.clear();
    dialogs.answers = {platform::MessageResult::Cancel};
    EXPECT_THROW(search.ScanForBoards(), ProgramExit);
    EXPECT_NE(startup.calls.back(), "SelectModel");
}

TEST_F(PortSearchTest, FirmwareRulesDecideTheFamily) {
    struct Case {
        const char* name;
        const char* version;
        int family;
    } cases[] = {
        {"QM4DNCRouterVarn", "5.02", 1}, {"QM4DNCRouter", "2.14", 1},
        {"QM4DNCRouter", "2.15", 0},     {"QM4DNCRouter", "4.71", 0}, {"VT2D20NCRouterVarn", "1.3", 2},
        {"QM4DFifoNCStepper", "1.0", 0}, {"dsLynNCRouter2D", "1.0", 0},
    };
    int com = 10;
    for (const auto& c : cases) {
        AddController(com, c.name, c.version);
        std::string port = "COM" + std::to_string(com);
        EXPECT_EQ(search.IdentifyBoardOnPort(port), c.family) << c.name << " " << c.version;
        EXPECT_EQ(boardLink.PortIsOpen(), c.family != 0) << c.name << " " << c.version;
        boardLink.PortClose();
        ++com;
    }
    EXPECT_EQ(search.IdentifyBoardOnPort(""), 0);
}

TEST_F(PortSearchTest, AbortDuringPassZeroStillTriesFirstPortOfPassOne) {
    pump.abortAt = 1;  // the first dispatch (after COM0) sees Abort
    search.ScanForBoards();
    EXPECT_EQ(splash.Tried(), (std::vector<std::string>{"COM0", "COM1"}));
    EXPECT_EQ(globals.RunState, engine::kRunIdle);
}

}  // namespace
}  // namespace plyx::app
