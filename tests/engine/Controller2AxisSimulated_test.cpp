// A short run of the engine on the 2-axis family against the simulated
// board: the same plan reaches the board as relative X/Y text moves, the
// reset sets the microstep size, the panel lamps are lit through relay
// words, and the board's latched abort input ends the run.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "engine/Controller2Axis.h"
#include "link/ZentrovaCom.h"
#include "sim/Simulator.h"
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

class Controller2AxisSimulatedTest : public EngineTest {
protected:
    Controller2AxisSimulatedTest() {
        params.cTLC = 1;
        params.cMRC = 2;
        params.cMSPS = 12;  // the 2-axis board takes 8: reset with 16 / 8 = 2
        params.fAutoCloseRunWindow = 1;
    }

    void StartBoard() {
        sim::SimOptions options;
        options.firmwareName = "VT2D20NCRouter";
        options.versionText = "3.02";
        options.queueCapacity = 30;
        board = std::make_unique<sim::Simulator>(options);
        board->Start();
        board->RegisterAsCom(dir.path(), 3);
        boardLink = std::make_unique<link::ZentrovaCom>(log);
        platform::serial::PortPaths paths;
        paths.dataDirectory = dir.path();
        paths.sysRoot = dir.path() + "/sys";
        boardLink->SetPortPaths(paths);
        boardLink->PortOpen("COM3");
        env->ControllerFamily = kFamily2Axis;
        engine->CreateDriver(*boardLink);
    }

    Controller2Axis& TwoAxis() { return dynamic_cast<Controller2Axis&>(*engine->CurrentController()); }

    ~Controller2AxisSimulatedTest() override {
        engine->ReleaseDrivers();
        boardLink.reset();
        board.reset();
    }

    std::unique_ptr<sim::Simulator> board;
    std::unique_ptr<link::ZentrovaCom> boardLink;
};

TEST_F(Controller2AxisSimulatedTest, RunQueuesThePlanAsRelativeMoves) {
    // The plan as the engine hands it to any controller, with the microstep
    // size that the 2-axis family will lower MSPS 12 to.
    params.cMSPS = 8;
    engine->StartRun(false);
    const std::vector<QueuedMove> planned = ctl.moves;
    ASSERT_FALSE(planned.empty());

    params.cMSPS = 12;
    StartBoard();
    ASSERT_NE(dynamic_cast<Controller2Axis*>(engine->CurrentController()), nullptr);
    EXPECT_EQ(TwoAxis().Driver().BoardType(), 2);
    engine->InitializeController();
    board->ClearMoves();
    std::set<int> lampsSeen;
    pump.onDispatch = [&](int) { lampsSeen.insert(board->State().lamps); };

    engine->StartRun(false);

    std::vector<sim::MoveRecord> moves = board->Moves();
    ASSERT_EQ(moves.size(), planned.size());
    std::int64_t x = 0, y = 0;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        EXPECT_EQ(moves[i].steps[sim::kX], planned[i].x) << i;
        EXPECT_EQ(moves[i].steps[sim::kY], planned[i].y) << i;
        EXPECT_EQ(moves[i].rate, planned[i].rate) << i;
        x += planned[i].x;
        y += planned[i].y;
    }
    sim::SimState s = board->State();
    EXPECT_EQ(s.position[sim::kX], x);
    EXPECT_EQ(s.position[sim::kY], y);

    // Lamps of the running state (PAUSE, STOP, ABORT) were lit while the
    // run waited; all are dark again at the main window.
    EXPECT_TRUE(lampsSeen.count(RunEngine::LampBitsForMode(3))) << lampsSeen.size();
    EXPECT_EQ(s.lamps, 0);

    EXPECT_EQ(params.cMSPS, 8);
    EXPECT_EQ(TwoAxis().Driver().ReportMicrostepSize(), 2);
    EXPECT_EQ(TwoAxis().Driver().ReportIOConfig(), 0x6000);
    EXPECT_GE(s.counters.resets, 3u);
    EXPECT_EQ(globals.RunState, kRunIdle);
}

TEST_F(Controller2AxisSimulatedTest, LatchedAbortInputEndsTheRun) {
    params.cTLC = 3;
    params.cMRC = 6;
    params.cMSPS = 8;
    engine->StartRun(false);
    const std::size_t planned = ctl.moves.size();

    StartBoard();
    engine->InitializeController();
    board->ClearMoves();
    int turns = 0;
    pump.onDispatch = [&](int) {
        if (++turns == 5) board->Latch(board->AbortLatchBit());
    };
    engine->StartRun(false);
    bool abortSeen = false;
    for (const std::string& line : LogLines())
        if (line.rfind("PollWaitForMotorIdle wait has detected being in abort state", 0) == 0) abortSeen = true;
    EXPECT_TRUE(abortSeen);
    EXPECT_LT(board->Moves().size(), planned / 2);
    EXPECT_EQ(globals.RunState, kRunIdle);
}

}  // namespace
}  // namespace plyx::engine::test
