// Whole runs against the board simulator on a pseudo-terminal, through the
// 4-axis driver and the board link: what the board queues, and how the
// panel switches and inputs steer a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/ParameterFiles.h"
#include "link/ZentrovaCom.h"
#include "sim/Simulator.h"
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

struct PlanRecorder final : LineMoveSink {
    std::vector<std::array<double, 3>> moves;
    void LineMove(double dx, double dy, double rate) override { moves.push_back({dx, dy, rate}); }
};

class SimulatedRunTest : public EngineTest {
protected:
    explicit SimulatedRunTest(sim::SimOptions options = {}) : sim(std::move(options)) {
        dataDir = env->GetDataDirectory();
        sim.Start();
        sim.RegisterAsCom(dataDir, 3);
        link = std::make_unique<link::ZentrovaCom>(boardLog);
        platform::serial::PortPaths paths;
        paths.dataDirectory = dataDir;
        paths.devRoot = dir.File("dev");
        paths.sysRoot = dir.File("sys");
        link->SetPortPaths(paths);
        link->PortOpen("COM3");
        engine->UseController(nullptr);
        engine->CreateDriver(*link);
        engine->InitializeController();
        resetsBefore = sim.State().counters.resets;
        // Every turn of a wait: note the run state and the lamps the board shows.
        pump.onDispatch = [this](int n) {
            Note();
            if (script) script(n);
            if (n > 20000) ReleaseEverything();  // never let a broken run hang the suite
        };
    }
    ~SimulatedRunTest() override {
        engine->ReleaseDrivers();
        link.reset();
        sim.Stop();
    }

    void Note() {
        if (states.empty() || states.back() != globals.RunState) states.push_back(globals.RunState);
        int lamps = sim.State().lamps;
        if (lamps != 0 && (lampsSeen.empty() || lampsSeen.back() != lamps)) lampsSeen.push_back(lamps);
    }
    void ReleaseEverything() {
        for (sim::Switch s : {sim::Switch::Start, sim::Switch::Pause, sim::Switch::Stop, sim::Switch::Burnish})
            sim.Release(s);
        sim.SetLimitInputs(0);
    }
    std::vector<QueuedMove> BoardMoves() const {
        std::vector<QueuedMove> out;
        for (const sim::MoveRecord& m : sim.Moves()) out.push_back({m.steps[sim::kX], m.steps[sim::kY], m.rate});
        return out;
    }
    std::vector<QueuedMove> PlannedSegments(bool burnish) {
        app::ParameterSet copy = params;
        PlanRecorder rec;
        RunGeometry g(copy, rec, [](const std::string&) {});
        g.ComputeRunConstants();
        std::int16_t layer = 0;
        g.RunLayers(burnish, &layer);
        return ExpectedSegments(rec.moves, g.zTargetRateScale);
    }
    static std::vector<QueuedMove> SlowDown(std::int32_t h) { return {{10, -10, -80}, {h, -h, -80}, {h, -h, -80}}; }

    sim::Simulator sim;
    std::string dataDir;
    link::CommLog boardLog;
    std::unique_ptr<link::ZentrovaCom> link;
    std::uint64_t resetsBefore = 0;
    std::function<void(int)> script;
    std::vector<std::int16_t> states;
    std::vector<int> lampsSeen;
};

TEST_F(SimulatedRunTest, DefaultFullRunQueuesExactlyThePlan) {
    std::vector<QueuedMove> expected = PlannedSegments(false);
    engine->StartRun(false);
    std::vector<QueuedMove> queued = BoardMoves();
    ASSERT_EQ(queued.size(), expected.size() + 3);
    EXPECT_EQ(std::vector<QueuedMove>(queued.begin(), queued.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(queued[expected.size()], (QueuedMove{10, -10, -80}));
    sim::SimState s = sim.State();
    EXPECT_EQ(s.counters.refusedMoves, 0u);
    EXPECT_EQ(s.counters.resets, resetsBefore + 2);  // the run's start and its end
    EXPECT_EQ(s.lamps, 0);
    EXPECT_EQ(globals.RunState, kRunIdle);
    EXPECT_EQ(states.front(), kRunRunning);
}

TEST_F(SimulatedRunTest, BurnishPass) {
    std::vector<QueuedMove> expected = PlannedSegments(true);
    engine->StartRun(true);
    std::vector<QueuedMove> queued = BoardMoves();
    ASSERT_EQ(queued.size(), expected.size() + 3);
    EXPECT_EQ(std::vector<QueuedMove>(queued.begin(), queued.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(expected.front().rate, -3010);  // 387 * 11 along a 45 degree line
}

class SimulatedFinishingTest : public SimulatedRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(SimulatedFinishingTest, FinishingFileIsChained) {
    const std::string technique = std::to_string(GetParam());
    dir.Write("s.cfg", "TLC=2\r\nMRC=1\r\nTARC=1\r\nMRSI=387\r\nCHAININTERVALTECHNIQUE=" + technique + "\r\n");
    dir.Write("s.fin", "TLC=1\r\nMRC=1\r\nMRSI=200\r\nCHAININTERVALTECHNIQUE=" + technique + "\r\n");
    app::LoadParameterFile(*env, params, dir.File("s.cfg"));
    const std::size_t shellSegments = PlannedSegments(false).size();
    engine->StartRun(false);
    std::vector<QueuedMove> queued = BoardMoves();
    ASSERT_GT(queued.size(), shellSegments + 3);
    const QueuedMove chained = queued[shellSegments];
    if (GetParam() == 0) {
        EXPECT_EQ(chained.rate, -1683);  // third-axis first line (TARFL 238) of layer 3, shell rates
    } else if (GetParam() == 1) {
        EXPECT_EQ(chained.rate, -1414);  // interval move at the finishing file's MRSI
    } else {
        EXPECT_EQ(chained.rate, -1683);  // a third-axis pass at the finishing file's rates
    }
    EXPECT_EQ(params.CurrentShellFile, dir.File("s.cfg"));
    EXPECT_EQ(params.zMRSI, 387);
}

INSTANTIATE_TEST_SUITE_P(Techniques, SimulatedFinishingTest, ::testing::Values(0, 1, 2));

// Firmware generations of the 4-axis family: binary deltas and item -17
// below type 3, text deltas and item 8 from version 5, and the one-digit
// place counter of version 2.
sim::SimOptions Firmware(const char* version) {
    sim::SimOptions o;
    o.versionText = version;
    return o;
}

class FirmwareRunTest : public SimulatedRunTest, public ::testing::WithParamInterface<const char*> {
protected:
    FirmwareRunTest() : SimulatedRunTest(Firmware(GetParam())) {}
};

TEST_P(FirmwareRunTest, ShortRunQueuesThePlan) {
    params.cTLC = 3;
    params.cMRC = 2;
    std::vector<QueuedMove> expected = PlannedSegments(false);
    engine->StartRun(false);
    std::vector<QueuedMove> queued = BoardMoves();
    ASSERT_EQ(queued.size(), expected.size() + 3);
    EXPECT_EQ(std::vector<QueuedMove>(queued.begin(), queued.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(sim.State().counters.refusedMoves, 0u);
    EXPECT_EQ(sim.State().counters.unknownCommands, 0u);
}

INSTANTIATE_TEST_SUITE_P(Versions, FirmwareRunTest, ::testing::Values("2.15", "4.71", "5.02"));

sim::SimOptions SmallQueueInTime() {
    sim::SimOptions o;
    o.queueCapacity = 5;
    o.timeScale = 0.005;  // moves take time: the queue fills and drains
    return o;
}

class QueueFillingRunTest : public SimulatedRunTest {
protected:
    QueueFillingRunTest() : SimulatedRunTest(SmallQueueInTime()) {}
};

TEST_F(QueueFillingRunTest, WaitsForRoomAndLosesNothing) {
    params.cTLC = 2;
    int mostInUse = 0;
    script = [&](int) { mostInUse = std::max<int>(mostInUse, globals.cQueInUse); };
    std::vector<QueuedMove> expected = PlannedSegments(false);
    engine->StartRun(false);
    std::vector<QueuedMove> queued = BoardMoves();
    ASSERT_EQ(queued.size(), expected.size() + 3);
    EXPECT_EQ(std::vector<QueuedMove>(queued.begin(), queued.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(sim.State().counters.refusedMoves, 0u);
    EXPECT_EQ(globals.ControllerQueueCapacity, 5);
    EXPECT_GE(mostInUse, 3);
}

TEST_F(SimulatedRunTest, PauseThenStartFromThePanel) {
    params.cTLC = 1;
    params.cMRC = 3;
    bool started = false;
    int pausedTurns = 0;
    script = [&](int n) {
        if (n == 3) sim.Press(sim::Switch::Pause);
        if (globals.RunState == kRunPaused && !started && ++pausedTurns == 3) {
            sim.Release(sim::Switch::Pause);
            sim.Press(sim::Switch::Start);
            started = true;
        }
        if (started && globals.RunState == kRunRunning) sim.Release(sim::Switch::Start);
    };
    const std::size_t planned = PlannedSegments(false).size();
    engine->StartRun(false);
    ASSERT_GE(states.size(), 3u);
    EXPECT_EQ(std::vector<std::int16_t>(states.begin(), states.begin() + 3),
              (std::vector<std::int16_t>{kRunRunning, kRunPaused, kRunRunning}));
    ASSERT_GE(lampsSeen.size(), 3u);
    EXPECT_EQ(std::vector<int>(lampsSeen.begin(), lampsSeen.begin() + 3), (std::vector<int>{22, 21, 22}));
    EXPECT_TRUE(started);
    EXPECT_EQ(BoardMoves().size(), planned + 3);  // nothing lost
}

TEST_F(SimulatedRunTest, ShortStopPressPausesThenAborts) {
    params.cTLC = 2;
    script = [&](int n) {
        if (n == 4) sim.Press(sim::Switch::Stop);
        if (n == 5) sim.Release(sim::Switch::Stop);
    };
    const std::size_t planned = PlannedSegments(false).size();
    engine->StartRun(false);
    ASSERT_GE(states.size(), 3u);
    // Paused first; the abort (state 2) is never waited in, the stop follows.
    EXPECT_EQ(std::vector<std::int16_t>(states.begin(), states.begin() + 3),
              (std::vector<std::int16_t>{kRunRunning, kRunPaused, kRunStopping}));
    EXPECT_EQ(std::count(status.calls.begin(), status.calls.end(), "Aborting"), 1);
    EXPECT_LT(BoardMoves().size(), planned);
    EXPECT_EQ(sim.State().counters.resets, resetsBefore + 2);
    EXPECT_EQ(sim.State().run, sim::RunState::Idle);
    EXPECT_EQ(globals.RunState, kRunIdle);
}

TEST_F(SimulatedRunTest, AbortButton) {
    script = [&](int n) {
        if (n == 10) engine->AbortRun();
    };
    engine->StartRun(false);
    EXPECT_LT(BoardMoves().size(), PlannedSegments(false).size());
    EXPECT_EQ(std::count(status.calls.begin(), status.calls.end(), "Aborting"), 1);
    EXPECT_EQ(sim.State().counters.resets, resetsBefore + 2);
    EXPECT_TRUE(mainWindow.visible);
}

TEST_F(SimulatedRunTest, TrippedLimitInputAborts) {
    int trippedAt = 0;
    script = [&](int n) {
        if (n == 6) {
            sim.SetLimitInputs(1);
            trippedAt = n;
        }
        if (trippedAt != 0 && n == trippedAt + 3) sim.SetLimitInputs(0);
    };
    engine->StartRun(false);
    // Still tripped while stopping, it asks for the abort once more.
    EXPECT_GE(std::count(status.calls.begin(), status.calls.end(), "Aborting"), 1);
    EXPECT_LT(BoardMoves().size(), PlannedSegments(false).size());
    EXPECT_EQ(globals.RunState, kRunIdle);
}

TEST_F(SimulatedRunTest, LatchedInputAborts) {
    script = [&](int n) {
        if (n == 6) sim.Latch(sim.AbortLatchBit());
    };
    engine->StartRun(false);
    EXPECT_EQ(std::count(status.calls.begin(), status.calls.end(), "Aborting"), 1);
    EXPECT_LT(BoardMoves().size(), PlannedSegments(false).size());
    EXPECT_EQ(sim.State().latched, 0u);
}

TEST_F(SimulatedRunTest, ZeroPoleDiameterSendsNothing) {
    params.zPD = 0;
    engine->StartRun(false);
    EXPECT_TRUE(sim.Moves().empty());
    EXPECT_EQ(sim.State().counters.resets, resetsBefore);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(SimulatedRunTest, StartSwitchStartsARunFromTheMainWindowsPoll) {
    params.cTLC = 1;
    params.cMRC = 1;
    sim.Press(sim::Switch::Start);
    script = [&](int) { sim.Release(sim::Switch::Start); };
    engine->CheckStartSwitches();
    EXPECT_EQ(mainWindow.calls.at(1), "FullRun");
    EXPECT_EQ(BoardMoves().size(), PlannedSegments(false).size() + 3);
}

}  // namespace
}  // namespace plyx::engine::test
