// The simulator's panel window against a program on the simulated 4-axis
// board: its switches, latch and limit inputs reach the program's switch
// reading, and its drawing holds the moves a run queued.
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <tuple>

#include "sim/panel/SimPanel.h"
#include "tests/faults/RunFaultFixture.h"
#include "tests/sim/ProgramEnd.h"

namespace plyx::engine::test {
namespace {

using sim::panel::PathPoint;

class PanelTest : public RunFaultTest {
protected:
    void SetUp() override {
        params.cTLC = 2;
        params.cMRC = 2;
        text::LoadInternalDictionary(texts, "PLYX3");
        env->ControllerFamily = kFamily4Axis;
        StartBoard();
        panel = std::make_unique<sim::panel::SimPanel>(*board, texts, "");
        panel->show();
    }
    text::TextTables texts;
    std::unique_ptr<sim::panel::SimPanel> panel;
};

TEST_F(PanelTest, SwitchesLatchAndLimitsReachTheProgram) {
    QPushButton* pause = panel->SwitchButton(sim::Switch::Pause);
    QCheckBox* holdStop = panel->HoldToggle(sim::Switch::Stop);
    const std::tuple<const char*, std::function<void()>, std::int16_t> steps[] = {  // what, act, switches seen
        {"PAUSE held", [&] { QTest::mousePress(pause, Qt::LeftButton); }, 2},
        {"STOP left closed too", [&] { holdStop->setChecked(true); }, 2 | 4},
        {"PAUSE let go", [&] { QTest::mouseRelease(pause, Qt::LeftButton); }, 4},
        {"PAUSE clicked while STOP is held", [&] { QTest::mouseClick(pause, Qt::LeftButton); }, 2 | 4},
        {"STOP opened, the panel looked", [&] { holdStop->setChecked(false); panel->Poll(false); }, 0},
        {"ABORT latched", [&] { QTest::mouseClick(panel->AbortButton(), Qt::LeftButton); }, 16},
        {"the latch was read", [] {}, 0},
        {"limit input 3 tripped", [&] { panel->LimitToggle(2)->setChecked(true); }, 16},
        {"limit input 3 cleared", [&] { panel->LimitToggle(2)->setChecked(false); }, 0},
    };
    for (const auto& [what, act, seen] : steps) {
        act();
        globals.SwitchFlags = 0;
        EXPECT_EQ(engine->ReadSwitches(), seen) << what;
    }
}

// A click shorter than the program's switch poll still reaches the program:
// the switch stays closed until the board has reported it once and opens at
// the panel's first look after that report; one held through a report opens
// as soon as it is let go.
TEST_F(PanelTest, AShortClickStaysClosedUntilTheProgramHasReadIt) {
    QPushButton* start = panel->SwitchButton(sim::Switch::Start);
    QPushButton* burnish = panel->SwitchButton(sim::Switch::Burnish);
    const std::tuple<const char*, std::function<void()>, std::int16_t> steps[] = {  // what, act, switches seen
        {"START clicked", [&] { QTest::mouseClick(start, Qt::LeftButton); }, 1},
        {"read again before the panel looked", [] {}, 1},
        {"the panel looked", [&] { panel->Poll(false); }, 0},
        {"BURNISH clicked, the panel looked before any read",
         [&] {
             QTest::mouseClick(burnish, Qt::LeftButton);
             panel->Poll(false);
         },
         8},
        {"the panel looked after that read", [&] { panel->Poll(false); }, 0},
        {"START pressed", [&] { QTest::mousePress(start, Qt::LeftButton); }, 1},
        {"START let go after a read", [&] { QTest::mouseRelease(start, Qt::LeftButton); }, 0},
        {"START clicked twice quickly",
         [&] {
             QTest::mouseClick(start, Qt::LeftButton);
             QTest::mouseClick(start, Qt::LeftButton);
         },
         1},
        {"the panel looked", [&] { panel->Poll(false); }, 0},
    };
    for (const auto& [what, act, seen] : steps) {
        act();
        globals.SwitchFlags = 0;
        EXPECT_EQ(engine->ReadSwitches(), seen) << what;
    }
}

// START on the panel starts a run (as the main window's timer checks between
// runs); every move is drawn, in order, from where the one before ended, in
// the state the board gives it, and the path ends where the head stands.
TEST_F(PanelTest, StartOnThePanelStartsARunThatTheDrawingHolds) {
    QPushButton* start = panel->SwitchButton(sim::Switch::Start);
    QTest::mousePress(start, Qt::LeftButton);
    script = [&](int n) {
        if (n == 1) QTest::mouseRelease(start, Qt::LeftButton);
        panel->Poll(n % 3 == 0);
    };
    RunOutcome out = Timed([&] { engine->CheckStartSwitches(); });
    ASSERT_FALSE(out.error) << out.error->Description();
    EXPECT_NE(std::find(mainWindow.calls.begin(), mainWindow.calls.end(), "FullRun"), mainWindow.calls.end());
    panel->Poll(true);
    const auto& points = panel->Trace().Points();
    std::vector<std::tuple<double, double, int>> drawn, recorded;
    for (std::size_t i = 1; i < points.size(); ++i)
        if (points[i].kind != PathPoint::Jump)
            drawn.emplace_back(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y, points[i].kind);
    for (const sim::MoveRecord& m : board->Moves())
        recorded.emplace_back(m.steps[sim::kX], m.steps[sim::kY],
                              m.status == sim::MoveRecord::Ran ? PathPoint::Ran : PathPoint::Dropped);
    ASSERT_GT(recorded.size(), 3u);
    EXPECT_EQ(drawn, recorded);
    EXPECT_TRUE(points.back().x == board->State().position[sim::kX] &&
                points.back().y == board->State().position[sim::kY]);
}

// The fault buttons that cut the board off mid-stream: "Restart board" keeps
// the position counters, "Power cycle" clears them, both drop the queue and
// are named under the active faults; the drawing jumps to the cleared head.
TEST(SimPanelFaults, RestartKeepsThePositionAndPowerCycleClearsIt) {
    using Fault = sim::panel::SimPanel::Fault;
    sim::Simulator board;
    board.Start();
    sim::test::ProgramEnd program(board);
    text::TextTables texts;
    text::LoadInternalDictionary(texts, "PLYX3");
    sim::panel::SimPanel panel(board, texts, "");
    auto look = [&] {
        const sim::SimState s = board.State();
        return std::tuple(s.position[sim::kX], s.position[sim::kY], s.queueFill, s.counters.restarts,
                          s.counters.powerCycles);
    };
    ASSERT_TRUE(program.Send("500X300YGq100xG", 6));  // the second move waits behind a pause
    QTest::mouseClick(panel.FaultButton(Fault::Restart), Qt::LeftButton);
    EXPECT_EQ(look(), std::tuple(500, 300, 0, 1u, 0u));
    EXPECT_TRUE(panel.FaultText().contains(QStringLiteral("Board restarted")));
    ASSERT_TRUE(program.Send("q100xG", 3));
    EXPECT_EQ(panel.FaultButton(Fault::PowerCycle)->text(), QStringLiteral("Power cycle"));
    QTest::mouseClick(panel.FaultButton(Fault::PowerCycle), Qt::LeftButton);
    EXPECT_EQ(look(), std::tuple(0, 0, 0, 1u, 1u));
    EXPECT_TRUE(panel.FaultText().contains(QStringLiteral("Board power-cycled"))) << panel.FaultText().toStdString();
    panel.Poll(true);
    const PathPoint end = panel.Trace().Points().back();
    EXPECT_TRUE(end.kind == PathPoint::Jump && end.x == 0 && end.y == 0);
    board.Stop();
}

}  // namespace
}  // namespace plyx::engine::test
