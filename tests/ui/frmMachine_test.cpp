// The Machine window: the counters in the display unit, the roll entered in
// feet or metres, the maintenance counter's reset (asked first, then a line
// of the production record); the View menu opens it, and a run started from
// the main window is asked about a roll too short for it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "engine/machine/MachineKeeper.h"
#include "platform/Files.h"
#include "tests/support/Csv.h"
#include "tests/ui/UiFixture.h"
#include "ui/frmMachine.h"

namespace plyx::ui::test {
namespace {

class MachineWindowTest : public UiTest {
protected:
    MachineWindowTest() { app.SetMachine(&machine); }
    frmMachine& Open() {
        window = std::make_unique<frmMachine>(w.ctx, machine);
        window->show();
        return *window;
    }
    std::string Text(const char* name) { return CaptionOfChild(window.get(), name).toStdString(); }
    // A run of a minute that lays 50 ft, told through the engine's events.
    void ARun() {
        w.engine.Events().RunStarted(false);
        w.clock.AdvanceMs(60000);
        w.engine.Events().ControllerAt({.inches = 600});
        w.engine.Events().RunEnded(engine::RunEnd::Completed);
    }
    std::vector<std::vector<std::string>> Record() {
        return plyx::test::ParseCsv(platform::ReadWholeFile(w.runs.record.FilePath()).value_or(""));
    }

    engine::MachineKeeper machine{w.env, w.params, w.engine, w.runs};
    std::unique_ptr<frmMachine> window;
};

// Typed in the display unit; what is no length of 0 or more is refused
// with a message and changes nothing; 0 stops tracking the roll.
TEST_F(MachineWindowTest, TheRollIsEnteredInTheDisplayUnit) {
    const struct {
        std::int16_t dsu;
        const char* typed;
        bool tracked;
        double inches;
        const char* shown;
        bool refused;
    } cases[] = {{0, "100", true, 1200, "100.0 ft", false},       {1, "30.48", true, 30.48 * 39.37, "30.5 m", false},
                 {0, "abc", true, 600, "50.0 ft", true},          {0, "-5", true, 600, "50.0 ft", true},
                 {1, "2,5", true, 600, "15.2 m", true},           {0, "0", false, 0, "not tracked", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        w.params.fDSU = c.dsu;
        machine.SetRoll(600);
        w.dialogs.messages.clear();
        Open();
        QLineEdit* field = window->findChild<QLineEdit*>(QStringLiteral("edtRoll"));
        QTest::keyClicks(field, QString::fromLatin1(c.typed));
        Click(window.get(), "cmdSetRoll");
        const engine::MachineCounters now = machine.Counters();
        EXPECT_EQ(now.rollTracked, c.tracked);
        EXPECT_NEAR(now.rollInches, c.inches, 1e-9);
        EXPECT_EQ(Text("lblRoll"), c.shown);
        EXPECT_EQ(w.Messages(), c.refused ? std::vector<std::string>{"The length left on the roll must be a number of "
                                                                     "0 or more (0: not tracked)."}
                                          : std::vector<std::string>{});
    }
}

// The counters as they stand; the reset is asked first (Cancel keeps it),
// then the maintenance counter starts again and the record notes it.
TEST_F(MachineWindowTest, TheMaintenanceCounterIsResetOnlyWhenTheOperatorSaysSo) {
    ARun();
    ARun();
    Open();
    EXPECT_EQ((std::vector<std::string>{Text("lblRunHours"), Text("lblTapeLaid"), Text("lblRuns"),
                                        Text("lblRunsByOutcome"), Text("lblServiceHours"), Text("lblServiceTape"),
                                        Text("lblLastService")}),
              (std::vector<std::string>{"0:02:00", "100.0 ft", "2", "    Completed: 2", "0:02:00", "100.0 ft", "never"}));
    for (const auto answer : {platform::MessageResult::Cancel, platform::MessageResult::Ok}) {
        w.dialogs.answers = {answer};
        Click(window.get(), "cmdResetService");
        const bool reset = answer == platform::MessageResult::Ok;
        EXPECT_EQ(Text("lblServiceHours"), reset ? "0:00:00" : "0:02:00");
        EXPECT_EQ(Text("lblServiceTape"), reset ? "0.0 ft" : "100.0 ft");
        EXPECT_EQ(Text("lblRunHours"), "0:02:00");
        EXPECT_EQ(Text("lblLastService") == "never", !reset);
        const auto record = Record();
        ASSERT_EQ(record.size(), reset ? 4u : 3u);
        EXPECT_EQ(record.back()[11], reset ? "maintenance counter reset" : "completed");
    }
    EXPECT_EQ(w.dialogs.messages.size(), 2u);
    w.params.fDSU = 1;
    window->Refresh();
    EXPECT_EQ(Text("lblTapeLaid"), "30.5 m");
}

// The View menu opens the window (modal); a run from the main window's
// button is asked about the roll: Cancel starts nothing, OK runs it and
// the roll is empty after it.
TEST_F(MachineWindowTest, TheMenuOpensItAndARunIsAskedAboutTheRoll) {
    frmMain& main = Main();
    QString modal;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            modal = dialog->objectName();
            dialog->close();
        }
    });
    Click(&main, "mnuViewMachine");
    EXPECT_EQ(modal, "frmMachine");
    EXPECT_TRUE(main.TimerRunning());  // back at the main window

    ASSERT_TRUE(machine.SetRoll(12));
    for (const auto answer : {platform::MessageResult::Cancel, platform::MessageResult::Ok}) {
        w.dialogs.messages.clear();
        w.dialogs.answers = {answer};
        Click(&main, "btnFullRun");
        ASSERT_FALSE(w.dialogs.messages.empty());
        EXPECT_EQ(w.dialogs.messages[0].text.rfind("This run needs ", 0), 0u) << w.dialogs.messages[0].text;
        EXPECT_NE(w.dialogs.messages[0].text.find(" the roll has only 1.0 ft left."), std::string::npos);
        EXPECT_EQ(w.runs.record.LastRun().has_value(), answer == platform::MessageResult::Ok);
    }
    const engine::MachineCounters after = machine.Counters();
    EXPECT_TRUE(after.rollTracked);
    EXPECT_EQ(after.rollInches, 0);
}

}  // namespace
}  // namespace plyx::ui::test
