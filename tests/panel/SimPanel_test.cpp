// The simulator's panel window against a program on the simulated board:
// its switches, latch and limit inputs reach the program's switch reading,
// its lamps follow what the program drives, and its drawing holds the moves
// a run queued.
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <tuple>

#include "sim/panel/SimPanel.h"
#include "tests/faults/RunFaultFixture.h"

namespace plyx::engine::test {
namespace {

using sim::panel::SimPanel;

class PanelTest : public RunFaultTest {
protected:
    PanelTest() {
        params.cTLC = 2;
        params.cMRC = 2;
        text::LoadInternalDictionary(texts, "PLYX3");
    }
    // A fresh board (and link) with its panel.
    void Open(sim::SimOptions options = {}) {
        panel.reset();
        if (board) {
            engine->ReleaseDrivers();
            boardLink.reset();
            board.reset();
        }
        env->ControllerFamily = options.firmwareName.rfind("QM4D", 0) == 0 ? kFamily4Axis : kFamily2Axis;
        StartBoard(std::move(options));
        panel = std::make_unique<SimPanel>(*board, texts, "");
        panel->show();
    }
    std::int16_t Switches() {
        globals.SwitchFlags = 0;
        return engine->ReadSwitches();
    }

    text::TextTables texts;
    std::unique_ptr<SimPanel> panel;
};

TEST_F(PanelTest, StartOnThePanelStartsARunThatTheDrawingHolds) {
    Open();
    QPushButton* start = panel->SwitchButton(sim::Switch::Start);
    QTest::mousePress(start, Qt::LeftButton);
    script = [&](int n) {
        if (n == 1) QTest::mouseRelease(start, Qt::LeftButton);
        panel->Poll(n % 3 == 0);
    };
    pump.dispatches = 0;
    // What the main window's timer does between runs.
    RunOutcome out = Timed([&] { engine->CheckStartSwitches(); });
    ASSERT_FALSE(out.error) << out.error->Description();
    EXPECT_NE(std::find(mainWindow.calls.begin(), mainWindow.calls.end(), "FullRun"), mainWindow.calls.end());

    panel->Poll(true);
    const auto moves = board->Moves();
    ASSERT_GT(moves.size(), 3u);
    // Every move is drawn, in order, from where the one before ended, in
    // the state the board gives it; the path ends where the head stands.
    const auto& points = panel->Trace().Points();
    std::vector<std::tuple<double, double, int>> drawn, recorded;
    for (std::size_t i = 1; i < points.size(); ++i)
        if (points[i].kind != sim::panel::PathPoint::Jump)
            drawn.emplace_back(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y, points[i].kind);
    for (const sim::MoveRecord& m : moves)
        recorded.emplace_back(m.steps[sim::kX], m.steps[sim::kY],
                              m.status == sim::MoveRecord::Ran ? sim::panel::PathPoint::Ran
                                                               : sim::panel::PathPoint::Dropped);
    EXPECT_EQ(drawn, recorded);
    const sim::SimState s = board->State();
    EXPECT_EQ(points.back().x, s.position[sim::kX]);
    EXPECT_EQ(points.back().y, s.position[sim::kY]);
}

// Lamps on both families; switches, the ABORT latch and limit inputs as the
// program reads them.
TEST_F(PanelTest, LampsSwitchesLatchAndLimits) {
    const struct {
        int mode, lit;
    } modes[] = {{2, sim::kLampStart | sim::kLampBurnish},
                 {3, sim::kLampPause | sim::kLampStop | sim::kLampAbort},
                 {4, sim::kLampStart | sim::kLampStop | sim::kLampAbort},
                 {5, sim::kLampAbort},
                 {0, 0}};
    for (const char* firmware : {"VT2D20NCRouterVarn", "QM4DNCRouterVarn"}) {
        sim::SimOptions o;
        o.firmwareName = firmware;
        Open(o);
        for (const auto& m : modes) {
            engine->SetLampMode(static_cast<std::int16_t>(m.mode));
            panel->Poll(false);
            for (int bit = 1; bit <= 16; bit <<= 1)
                EXPECT_EQ(panel->LampLit(bit), (m.lit & bit) != 0) << firmware << " mode " << m.mode << " lamp " << bit;
        }
    }
    QPushButton* pause = panel->SwitchButton(sim::Switch::Pause);
    QCheckBox* holdStop = panel->HoldToggle(sim::Switch::Stop);
    const struct {
        const char* what;
        std::function<void()> act;
        std::int16_t seen;
    } steps[] = {
        {"PAUSE held", [&] { QTest::mousePress(pause, Qt::LeftButton); }, 2},
        {"STOP left closed too", [&] { holdStop->setChecked(true); }, 2 | 4},
        {"PAUSE let go", [&] { QTest::mouseRelease(pause, Qt::LeftButton); }, 4},
        {"PAUSE clicked while STOP is held", [&] { QTest::mouseClick(pause, Qt::LeftButton); }, 4},
        {"STOP opened", [&] { holdStop->setChecked(false); }, 0},
        {"ABORT latched", [&] { QTest::mouseClick(panel->AbortButton(), Qt::LeftButton); }, 16},
        {"the latch was read", [] {}, 0},
        {"limit input 3 tripped", [&] { panel->LimitToggle(2)->setChecked(true); }, 16},
        {"limit input 3 cleared", [&] { panel->LimitToggle(2)->setChecked(false); }, 0},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(Switches(), s.seen) << s.what;
    }
}

}  // namespace
}  // namespace plyx::engine::test
