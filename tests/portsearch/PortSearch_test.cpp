// The port search against simulated controllers registered as COM ports.
#include "app/search/PortSearch.h"

#include <gtest/gtest.h>

#include "link/ZentrovaCom.h"
#include "sim/Simulator.h"
#include "tests/app/CoreFixture.h"

namespace plyx::app {
namespace {

// Records the ports tried (the empty status that ends a search left out)
// and the calls; polling stands for the main window's switch timer, which
// showing the main window starts and the model selection restarts. Sets
// RunState to "abort requested" at the n-th dispatch, like the Abort button.
struct Recorder : SplashView, ControllerStartup, platform::EventPump {
    std::vector<std::string> tried, calls;
    bool retry = false, polling = false;
    engine::RunGlobals globals;
    int abortAt = -1, dispatched = 0;
    void SetRetryOrAbortCaption(bool fRetry) override { retry = fRetry; }
    void SetScanningStatusMessage(const std::string& s) override { if (!s.empty()) tried.push_back(s); }
    void CreateDriver() override { calls.push_back("CreateDriver"); }
    void InitializeController() override { calls.push_back("InitializeController"); }
    void ShowMainWindow() override { calls.push_back("ShowMainWindow"), polling = true; }
    void SelectModel() override { calls.push_back("SelectModel"), polling = true; }
    void StopSwitchPolling() override { calls.push_back("StopSwitchPolling"), polling = false; }
    void DispatchPending() override { if (++dispatched == abortAt) globals.RunState = engine::kRunAbortRequested; }
    bool QuitRequested() override { return false; }
};

struct PortSearchTest : test::CoreFixture {
    PortSearchTest() {
        env.ExitHook = [](int) {};  // ExitProgram then throws ProgramExit
        dataDir = env.GetDataDirectory();
        boardLink.SetPortPaths({.dataDirectory = dataDir, .devRoot = docs.File("dev"), .sysRoot = docs.File("sys")});
        search.SetSplash(&rec);
        search.SetControllerStartup(&rec);
    }
    void AddController(int com, const std::string& firmware, const std::string& version) {
        sim::SimOptions o;
        o.firmwareName = firmware;
        o.versionText = version;
        sims.push_back(std::make_unique<sim::Simulator>(o));
        sims.back()->Start();
        sims.back()->RegisterAsCom(dataDir, com);
    }

    std::string dataDir;
    link::ZentrovaCom boardLink{log};
    platform::FakeProcessLauncher launcher;
    Recorder rec;
    PortSearch search{env, params, rec.globals, boardLink, rec, launcher};
    std::vector<std::unique_ptr<sim::Simulator>> sims;
};

// Pass 0 tries COM0 (no requested port) and the ports with an earlier
// startup log, pass 1 every port; nothing found: the search stays and
// offers Retry. An abort during pass 0 still tries the first port of pass 1.
TEST_F(PortSearchTest, PassZeroTriesPortsWithAnEarlierStartupLogThenEveryPort) {
    docs.Write("PLYX3/C9.PLYX3LastStartup.log", "");
    search.ScanForBoards();
    ASSERT_EQ(rec.tried.size(), 257u);  // COM9 once more in the pass over every port
    EXPECT_EQ(std::vector<std::string>(rec.tried.begin(), rec.tried.begin() + 3),
              (std::vector<std::string>{"COM0", "COM9", "COM1"}));
    EXPECT_EQ(rec.tried.back(), "COM255");
    EXPECT_EQ(rec.globals.RunState, engine::kRunIdle);
    EXPECT_TRUE(rec.retry && launcher.started.empty());
    rec.tried.clear();
    rec.abortAt = rec.dispatched + 1;  // the first dispatch (after COM0) sees Abort
    search.ScanForBoards();
    EXPECT_EQ(rec.tried, (std::vector<std::string>{"COM0", "COM1"}));
}

TEST_F(PortSearchTest, RequestedPortIsTheOnlyOneTriedAndKeepsItsController) {
    env.RequestedComPort = 5;  // no controller there: not one other port is tried
    search.ScanForBoards();
    EXPECT_EQ(rec.tried, (std::vector<std::string>{"COM5"}));
    EXPECT_TRUE(rec.retry && !boardLink.PortIsOpen());
    AddController(4, "VT2D20NCRouterVarn", "1.3");
    env.RequestedComPort = 4;
    params.strModel = "Model1.cf";
    search.ScanForBoards();
    EXPECT_TRUE(env.ControllerFamily == 2 && boardLink.PortIsOpen() && env.ComPortName == "COM4");
    EXPECT_EQ(rec.globals.RunState, engine::kRunRunning);  // until the first run or switch wait
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"CreateDriver", "InitializeController", "ShowMainWindow"}));
    EXPECT_TRUE(dialogs.messages.empty() && launcher.started.empty());
}

TEST_F(PortSearchTest, MissingModelQuestion) {
    AddController(2, "QM4DNCRouterVarn", "5.02");
    env.RequestedComPort = 2;
    // START closed on the panel while the question is up: a polling timer
    // would start a run on values nobody chose.
    bool pollingDuringQuestion = true;
    dialogs.whileShown = [&] { pollingDuringQuestion = rec.polling; };
    search.ScanForBoards();  // OK: the model selection runs
    EXPECT_FALSE(pollingDuringQuestion);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "COM2: Missing PLYX3 Model");
    EXPECT_EQ(rec.calls.back(), "SelectModel");
    boardLink.PortClose();
    dialogs.answers = {platform::MessageResult::Cancel};
    EXPECT_THROW(search.ScanForBoards(), ProgramExit);  // Cancel: the program ends
}

// A refused controller's log once ended at "Copyright found!": it now says
// which firmware was refused and by which rule.
TEST_F(PortSearchTest, FirmwareRulesDecideTheFamilyAndARefusalIsLoggedWithItsRule) {
    const std::string version = ": QM4DNCRouter is driven only in versions 2.10 to 2.14";
    const std::string name = ": its firmware name begins with none of QM4DNCRouterVarn, QM4DNCRouter, VT2D20NCRouterVarn";
    const std::tuple<const char*, const char*, int, std::string> cases[] = {
        {"QM4DNCRouterVarn", "5.02", 1, ""},
        {"QM4DNCRouter", "2.14", 1, ""},
        {"QM4DNCRouter", "2.15", 0, "QM4DNCRouter 2.15" + version},
        {"QM4DNCRouter", "4.71", 0, "QM4DNCRouter 4.71" + version},
        {"VT2D20NCRouterVarn", "1.3", 2, ""},
        {"QM4DFifoNCStepper", "1.0", 0, "QM4DFifoNCStepper 1.0" + name},
        {"dsLynNCRouter2D", "1.0", 0, "dsLynNCRouter2D 1.0" + name},
    };
    OpenLog();
    int com = 10;
    for (const auto& [firmware, release, family, refusal] : cases) {
        SCOPED_TRACE(std::string(firmware) + " " + release);
        AddController(com, firmware, release);
        std::size_t before = Logged().size();
        EXPECT_EQ(search.IdentifyBoardOnPort("COM" + std::to_string(com++)), family);
        EXPECT_EQ(boardLink.PortIsOpen(), family != 0);
        std::vector<std::string> refused, now = Logged();
        for (std::size_t i = before; i < now.size(); ++i)
            if (now[i].rfind("Refused controller ", 0) == 0) refused.push_back(now[i].substr(19));
        EXPECT_EQ(refused, refusal.empty() ? std::vector<std::string>{} : std::vector<std::string>{refusal});
        boardLink.PortClose();
    }
    EXPECT_EQ(search.IdentifyBoardOnPort(""), 0);
}

// A new instance gets its own REQCOMPORT and no other: a REQCOMPORT token
// handed on came after its own and won.
TEST_F(PortSearchTest, NewInstancesGetTheirOwnPortAndNoOtherRequest) {
    AddController(3, "QM4DNCRouterVarn", "5.02");
    AddController(7, "VT2D20NCRouterVarn", "1.3");
    env.CommandLine = "reqcomport=x MODEL=m.cf REQCOMPORT=3";
    EXPECT_THROW(search.ScanForBoards(), ProgramExit);  // handed over: this instance ends
    ASSERT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(launcher.started[0].args, (std::vector<std::string>{"REQCOMPORT=3", "MODEL=m.cf"}));
    EXPECT_EQ(launcher.started[1].args, (std::vector<std::string>{"REQCOMPORT=7", "MODEL=m.cf"}));
}

}  // namespace
}  // namespace plyx::app
