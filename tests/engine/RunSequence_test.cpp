// Whole runs on the recording fake controller: order of the start, the
// plan reaching the controller, finishing files, refusals and displays.
#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>

#include "app/Environment.h"
#include "app/Numbers.h"
#include "app/ParameterFiles.h"
#include "engine/DisplayText.h"
#include "platform/Files.h"
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

struct PlanRecorder final : LineMoveSink {
    std::vector<std::array<double, 3>> moves;
    void LineMove(double dx, double dy, double rate) override { moves.push_back({dx, dy, rate}); }
};

class RunTest : public EngineTest {
protected:
    // The line moves of the plan of the current parameters.
    std::vector<std::array<double, 3>> Plan(bool burnish = false) {
        app::ParameterSet copy = params;
        PlanRecorder rec;
        RunGeometry g(copy, rec, [](const std::string&) {});
        g.ComputeRunConstants();
        std::int16_t layer = 0;
        g.RunLayers(burnish, &layer);
        planScale = g.zTargetRateScale;
        return rec.moves;
    }
    std::vector<std::string> Matching(const std::string& prefix) {
        std::vector<std::string> out;
        for (const std::string& l : LogLines())
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }
    double planScale = 0;
};

TEST_F(RunTest, DefaultFullRunQueuesThePlan) {
    auto expected = ExpectedSegments(Plan(), 10);
    engine->StartRun(false);
    // The plan, then the three slow-down moves at the start/stop rate.
    ASSERT_EQ(ctl.moves.size(), expected.size() + 3);
    EXPECT_EQ(std::vector<QueuedMove>(ctl.moves.begin(), ctl.moves.begin() + static_cast<long>(expected.size())),
              expected);
    EXPECT_EQ(ctl.moves[expected.size()], (QueuedMove{10, -10, -80}));
    EXPECT_EQ(globals.RunState, kRunIdle);
    EXPECT_EQ(globals.CurrentLayer, 7);
}

TEST_F(RunTest, StartOrder) {
    params.cTLC = 1;
    params.cMRC = 1;
    params.CurrentShellFile = dir.File("shell.cfg");
    engine->StartRun(false);
    EXPECT_EQ(mainWindow.calls.at(0), "Hide");
    EXPECT_EQ(mainWindow.calls.at(1), "StopTimer");
    EXPECT_EQ(status.calls.at(0), "LoadLabels");
    EXPECT_EQ(status.calls.at(1), "Abort");
    EXPECT_EQ(status.shellName, "shell.cfg");
    EXPECT_TRUE(status.autoClose);
    EXPECT_FALSE(status.meters);
    EXPECT_FALSE(status.pauseEnabled);  // withdrawn at the end
    EXPECT_TRUE(Logged("Starting run using shell file " + dir.File("shell.cfg")));
    // The settings file was saved before the run and again when the window closed.
    EXPECT_TRUE(platform::FileExists(dir.path() + "/PLYX3/PLYX3.CFG"));
    // Reset for the run, then lamps 22 while running, 16 while stopping, off after.
    auto lampsRun = std::find(ctl.lamps.begin(), ctl.lamps.end(), 22);
    ASSERT_NE(lampsRun, ctl.lamps.end());
    EXPECT_NE(std::find(lampsRun, ctl.lamps.end(), 16), ctl.lamps.end());
    EXPECT_EQ(ctl.CallsStartingWith("ResetController").size(), 2u);  // EnableMotors and the end
    // Auto return: the window closes and the main window is back with its timer.
    EXPECT_FALSE(status.visible);
    EXPECT_TRUE(mainWindow.visible);
    EXPECT_TRUE(mainWindow.timer);
    EXPECT_EQ(status.calls.back(), "Hide");
}

TEST_F(RunTest, WindowStaysWithoutAutoReturn) {
    params.fAutoCloseRunWindow = 0;
    params.cTLC = 1;
    params.cMRC = 1;
    params.ShellEdited = true;
    engine->StartRun(false);
    EXPECT_TRUE(status.visible);
    EXPECT_FALSE(mainWindow.visible);
    EXPECT_EQ(status.shellName, "");
    EXPECT_TRUE(Logged("Starting run on UNSAVED, EDITED version of shell file "));
    auto it = std::find(status.calls.begin(), status.calls.end(), "LoadNewShell");
    EXPECT_NE(it, status.calls.end());
    engine->CloseRunWindowAndReturn();
    EXPECT_FALSE(status.visible);
    EXPECT_TRUE(mainWindow.visible);
}

TEST_F(RunTest, BurnishPass) {
    auto expected = ExpectedSegments(Plan(true), 11);
    ASSERT_EQ(planScale, 11);
    dir.Write("PLYX3/a.fin", "TLC=1\r\n");
    params.CurrentShellFile = dir.File("PLYX3/a.cfg");
    engine->StartRun(true);
    ASSERT_EQ(ctl.moves.size(), expected.size() + 3);
    EXPECT_EQ(std::vector<QueuedMove>(ctl.moves.begin(), ctl.moves.begin() + static_cast<long>(expected.size())),
              expected);
    EXPECT_TRUE(Matching("Found a FIN file").empty());
}

class FinishingTest : public RunTest, public ::testing::WithParamInterface<int> {
protected:
    FinishingTest() {
        shell = dir.File("a.cfg");
        dir.Write("a.cfg", "TLC=2\r\nMRC=1\r\nTARC=1\r\nMRFL=387\r\nMRSI=387\r\nMISP=26.2\r\n"
                           "CHAININTERVALTECHNIQUE=" + std::to_string(GetParam()) + "\r\n");
        dir.Write("a.fin", "TLC=1\r\nMRC=2\r\nMRFL=100\r\nMRSI=200\r\nMISP=50\r\nCHAININTERVALTECHNIQUE=" +
                               std::to_string(GetParam()) + "\r\n");
        app::LoadParameterFile(*env, params, shell);
    }
    std::string shell;
};

TEST_P(FinishingTest, ChainsTheFinishingFileAndRestoresTheShell) {
    const int technique = GetParam();
    auto shellPlan = Plan();
    std::vector<std::array<double, 3>> expectedMoves = shellPlan;
    {
        // What the chained run adds, computed on copies of the parameters.
        app::ParameterSet shellParams = params;
        PlanRecorder rec;
        RunGeometry g(shellParams, rec, [](const std::string&) {});
        g.ComputeRunConstants();
        std::int16_t layer = 0;
        g.RunLayers(false, &layer);
        if (technique == 0) g.RunBetweenLayerMove(shellParams.cTLC + 1);  // 3: a third-axis pass
        app::ParameterSet finParams = shellParams;
        app::LoadParameterFile(*env, finParams, dir.File("a.fin"));
        RunGeometry f(finParams, rec, [](const std::string&) {});
        f.ComputeRunConstants();
        f.zAScaled = g.zAScaled;
        f.zPoleAdvanceForLayer = g.zPoleAdvanceForLayer;
        if (technique == 1) f.RunBetweenLayerMove(1);
        if (technique == 2) f.RunBetweenLayerMove(0);
        f.RunLayers(false, &layer);
        expectedMoves = rec.moves;
    }
    engine->StartRun(false);
    auto expected = ExpectedSegments(expectedMoves, 10);
    ASSERT_EQ(ctl.moves.size(), expected.size() + 3);
    EXPECT_EQ(std::vector<QueuedMove>(ctl.moves.begin(), ctl.moves.begin() + static_cast<long>(expected.size())),
              expected);
    // Technique 0 chains a third-axis pass (layer 3) at the shell's rates.
    const std::size_t chained = ExpectedSegments(shellPlan, 10).size();
    if (technique == 0) {
        EXPECT_EQ(ctl.moves[chained].rate, ExpectedSegments({{1, -1, 238}}, 10)[0].rate);
    }
    if (technique == 1) {
        EXPECT_EQ(ctl.moves[chained].rate, -1414);  // the finishing file's interval move at its MRSI
    }
    EXPECT_TRUE(Logged("Found a FIN file (" + dir.File("a.fin") + ") -- attempting load"));
    EXPECT_EQ(params.CurrentShellFile, shell);
    EXPECT_EQ(params.cTLC, 2);
    EXPECT_EQ(params.zMRFL, 387);
    std::string settings = dir.Read("PLYX3/PLYX3.CFG");
    EXPECT_NE(settings.find("LastFileLoaded=" + shell + "\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Techniques, FinishingTest, ::testing::Values(0, 1, 2));

TEST_F(RunTest, ShellWithoutCfgExtensionChainsNothing) {
    dir.Write("b.fin", "TLC=1\r\n");
    params.cTLC = 1;
    params.cMRC = 1;
    params.CurrentShellFile = dir.File("b.fin");
    engine->StartRun(false);
    EXPECT_TRUE(Matching("Found a FIN file").empty());
}

TEST_F(RunTest, UnreadableFinishingFileIsSkipped) {
    dir.Write("c.cfg", "TLC=1\r\nMRC=1\r\n");
    ASSERT_EQ(::mkdir(dir.File("c.fin").c_str(), 0700), 0);  // exists, but no file to read
    app::LoadParameterFile(*env, params, dir.File("c.cfg"));
    engine->StartRun(false);
    EXPECT_EQ(params.CurrentShellFile, dir.File("c.cfg"));
}

TEST_F(RunTest, ZeroPoleDiameterIsRefusedBeforeAnythingMoves) {
    params.zPD = 0;
    engine->StartRun(false);
    EXPECT_TRUE(ctl.CallsStartingWith("ResetController").empty());
    EXPECT_TRUE(ctl.CallsStartingWith("SetControllerRunRate").empty());
    EXPECT_TRUE(ctl.moves.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("pole diameter"), std::string::npos);
    EXPECT_EQ(globals.RunState, kRunIdle);
    EXPECT_TRUE(status.calls.empty());
    EXPECT_TRUE(mainWindow.visible);
    EXPECT_TRUE(mainWindow.timer);
    EXPECT_FALSE(platform::FileExists(dir.path() + "/PLYX3/PLYX3.CFG"));
}

TEST_F(RunTest, TooManyAlternatePairsAreRefused) {
    params.fLayerPattern = 1;
    params.cTLC = 100;
    params.cMRC = 328;  // 32800 pairs
    engine->StartRun(false);
    EXPECT_TRUE(ctl.moves.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("32800"), std::string::npos);
    // The same shell without alternate layers, or its burnish pass, may run.
    EXPECT_EQ(engine->RunRefusal(true), "");
    params.cMRC = 327;
    EXPECT_EQ(engine->RunRefusal(false), "");
}

TEST_F(RunTest, FinishingFileWithZeroPoleDiameterIsLeftOut) {
    dir.Write("d.cfg", "TLC=1\r\nMRC=1\r\nPD=10.59\r\n");
    dir.Write("d.fin", "PD=0\r\nTLC=1\r\nMRC=1\r\n");
    app::LoadParameterFile(*env, params, dir.File("d.cfg"));
    engine->StartRun(false);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(ctl.moves.size(), 3u + 3u);  // the shell's pair (3 segments), the slow-down moves
    EXPECT_EQ(params.zPD, 10.59);
}

TEST_F(RunTest, AbortedRunQueuesNothingMoreAndEndsNormally) {
    params.cTLC = 3;
    ctl.onWaitIdle = [&](FakeController& c) -> std::optional<std::int32_t> {
        if (c.moves.size() == 5 && globals.RunState == kRunRunning) engine->AbortRun();
        return std::nullopt;
    };
    engine->StartRun(false);
    EXPECT_EQ(ctl.moves.size(), 5u);
    EXPECT_EQ(globals.RunState, kRunIdle);
    EXPECT_EQ(ctl.CallsStartingWith("StopController").size(), 1u);
    EXPECT_TRUE(mainWindow.visible);
}

TEST_F(RunTest, DisplaysFollowTheControllersQueue) {
    params.cTLC = 1;
    params.cMRC = 2;
    params.fDSU = 1;
    params.fAutoCloseRunWindow = 0;
    // The controller holds five moves until the run stops, then drains.
    ctl.onWaitIdle = [&](FakeController& c) -> std::optional<std::int32_t> {
        if (globals.RunState == kRunStopping)
            c.queueInUse = std::max(0, c.queueInUse - 1);
        else
            c.queueInUse = std::min<std::int32_t>(static_cast<std::int32_t>(c.moves.size()), 5);
        return std::nullopt;
    };
    clock.wallStart = 1000;
    pump.onDispatch = [&](int) { clock.AdvanceMs(1000); };
    engine->StartRun(false);
    EXPECT_FALSE(status.elapsed.empty());
    EXPECT_EQ(status.elapsed, ElapsedTimeText(globals.LastShownElapsedSeconds));
    // The slow-down moves at the end carry the layer after the last one.
    EXPECT_EQ(status.layerTotal, "2");
    EXPECT_TRUE(Matching("Extracting distance ").size() > 2);
    EXPECT_TRUE(Matching("Extracting layer 1 from entry ").size() > 1);
}

TEST_F(RunTest, ElapsedTimeTexts) {
    globals.RunStartTime = clock.WallTime();
    clock.AdvanceMs(3725 * 1000.0);
    engine->UpdateElapsedTime();
    EXPECT_EQ(status.elapsed, "1:02:05");
    status.elapsed.clear();
    engine->UpdateElapsedTime();  // same second: not rewritten
    EXPECT_EQ(status.elapsed, "");
    clock.AdvanceMs((90061 - 3725) * 1000.0);
    engine->UpdateElapsedTime();
    EXPECT_EQ(status.elapsed, "25:01:01");
}

TEST_F(RunTest, RingDisplayIndex) {
    ctl.capacity = 30;
    engine->ComputeRunConstants();
    engine->InitializeController();
    for (int i = 1; i <= 63; ++i) engine->InsertDistance(i * 1000.0 / 0.003925, 2);  // i * 1000 inches
    ASSERT_EQ(globals.Ring.idNextDistance, 2);
    globals.cQueInUse = 5;
    engine->UpdateQueueDisplays();
    EXPECT_TRUE(Logged("Extracting distance " + app::NumberText(globals.Ring.DistanceAt(58)) +
                       " from entry 58; idNextDistance = 2, cQueInUse = 5"));
    // Entry 58 was written by insert 59: 59000 inches in feet.
    EXPECT_EQ(status.stepTotal, TapeLengthText(59000 / 12.0));
    EXPECT_EQ(status.layerTotal, "2");
}

}  // namespace
}  // namespace plyx::engine::test
