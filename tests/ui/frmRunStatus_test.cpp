// The run status window through a run: texts, the button-state table,
// pause/restart/abort from its buttons, tape units and the live increase.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "engine/plan/RunRecord.h"
#include "link/BoardLinkError.h"
#include "platform/Files.h"
#include "tests/ui/UiFixture.h"
#include "ui/Application.h"
#include "ui/frmMain.h"
#include "ui/frmRunStatus.h"

namespace plyx::ui::test {
namespace {

class RunStatusTest : public ::testing::Test {
protected:
    UiWorld w;
    Application app{w.ctx};
    frmMain* main = nullptr;

    void SetUp() override {
        main = &app.LoadMainWindow();
        w.engine.ReturnToMainWindow();
    }
    frmRunStatus& Status() { return app.RunStatus(); }
    QPushButton* PauseButton() { return Status().findChild<QPushButton*>("btnPauseOrRestart"); }
    QPushButton* AbortButton() { return Status().findChild<QPushButton*>("btnAbort"); }
    QString Text(const char* name) { return CaptionOfChild(&Status(), name); }
};

TEST_F(RunStatusTest, RunOnAnEditedShellShowsShellDataNotSavedAndEndsWithLoadNewShell) {
    w.params.CurrentShellFile = "/s/cup.cfg";
    w.params.ShellEdited = true;
    w.params.fAutoCloseRunWindow = 0;
    QTest::mouseClick(main->findChild<QPushButton*>("btnFullRun"), Qt::LeftButton);

    EXPECT_TRUE(Status().isVisible() && !main->isVisible());
    EXPECT_EQ(Text("lblShellName"), "<shell data not saved>");
    EXPECT_FALSE(Status().findChild<QCheckBox*>("chkAutoCloseRun")->isChecked());
    // Run ended: the bar full, Pause withdrawn, Abort became Load New Shell.
    const auto* bar = Status().findChild<QProgressBar*>("prgTapeLaid");
    EXPECT_TRUE(bar->value() == 1000 && bar->maximum() == 1000);
    EXPECT_EQ(PauseButton()->text(), "Pause");
    EXPECT_FALSE(PauseButton()->isEnabled());
    EXPECT_EQ(AbortButton()->text(), "Load New Shell");
    EXPECT_TRUE(AbortButton()->isEnabled());

    QTest::mouseClick(AbortButton(), Qt::LeftButton);
    EXPECT_TRUE(!Status().isVisible() && main->isVisible() && main->TimerRunning());

    // A saved shell shows its file name.
    w.params.ShellEdited = false;
    QTest::mouseClick(main->findChild<QPushButton*>("btnFullRun"), Qt::LeftButton);
    EXPECT_EQ(Text("lblShellName"), "cup.cfg");
}

TEST_F(RunStatusTest, ButtonsFollowTheRunThroughPauseRestartAndAbort) {
    w.params.fAutoCloseRunWindow = 0;
    int turn = 0;
    std::vector<std::string> seen;
    auto state = [&] {
        return PauseButton()->text().toStdString() + (PauseButton()->isEnabled() ? "+" : "-") + "/" +
               AbortButton()->text().toStdString() + (AbortButton()->isEnabled() ? "+" : "-");
    };
    bool inClick = false;  // waits nested inside a button's handler are not turns of their own
    auto note = [&] { seen.push_back(state() + " run state " + std::to_string(w.globals.RunState)); };
    // Pause, Restart, Pause again, then Abort while paused; a turn is one idle wait.
    QPushButton* const clicks[] = {PauseButton(), PauseButton(), PauseButton(), AbortButton()};
    w.controller.onWaitIdle = [&] {
        if (inClick || turn >= static_cast<int>(std::size(clicks))) return;
        inClick = true;
        if (turn == 0) seen.push_back(state());
        QTest::mouseClick(clicks[turn++], Qt::LeftButton);
        note();
        if (turn == static_cast<int>(std::size(clicks))) {
            // Unavailable buttons do not react.
            QTest::mouseClick(AbortButton(), Qt::LeftButton);
            QTest::mouseClick(PauseButton(), Qt::LeftButton);
            note();
        }
        inClick = false;
    };
    QTest::mouseClick(main->findChild<QPushButton*>("btnFullRun"), Qt::LeftButton);
    EXPECT_EQ(seen, (std::vector<std::string>{"Pause+/Abort Run+", "Restart+/Abort Run+ run state 3",
                                              "Pause+/Abort Run+ run state 1", "Restart+/Abort Run+ run state 3",
                                              "Restart-/Aborting...- run state 2", "Restart-/Aborting...- run state 2"}));
    EXPECT_EQ(w.controller.resumes, 1);
    EXPECT_EQ(state(), "Pause-/Load New Shell+");
}

TEST_F(RunStatusTest, TapeAndTimeDisplaysAndTheMetersBoxChangingUnitAndValueAtOnce) {
    Status().LoadLabels();
    w.engine.Geometry().zTapePerStep = 1.0;
    w.globals.cQueInUse = 0;
    w.engine.InsertDistance(3937, 2);
    w.globals.RunStartTime = w.clock.WallTime() - 3725;
    w.globals.LastShownElapsedSeconds = -1;
    w.engine.UpdateElapsedTime();
    w.engine.UpdateQueueDisplays();
    EXPECT_EQ(Text("lblElapsedTime"), "1:02:05");
    EXPECT_EQ(Text("lblStepTotal"), "328.1");  // 3937 in / 12
    EXPECT_EQ(Text("lblLayerTotal"), "2");
    Status().show();
    QTest::mouseClick(Status().findChild<QCheckBox*>("chkShowAsMeters"), Qt::LeftButton);
    EXPECT_EQ(w.params.fDSU, 1);
    EXPECT_EQ(Text("lblTapeUnits"), "Tape Meters:");
    EXPECT_EQ(Text("lblStepTotal"), "100.0");
    QTest::mouseClick(Status().findChild<QCheckBox*>("chkShowAsMeters"), Qt::LeftButton);
    EXPECT_EQ(w.params.fDSU, 0);
    EXPECT_EQ(Text("lblTapeUnits"), "Tape Feet:");
    w.globals.cQueInUse = 0;
    w.engine.InsertDistance(12 * 1234567.34, 1);
    w.engine.UpdateQueueDisplays();
    EXPECT_EQ(Text("lblStepTotal"), "1,234,567.3");
}

TEST_F(RunStatusTest, SetPercentIncreaseTakesOnlyPositiveNumbers) {
    w.params.zASAPL = 10;
    Status().LoadLabels();
    Status().show();
    auto* field = Status().findChild<QLineEdit*>("edtLayerIncreasePercent2");
    auto* set = Status().findChild<QPushButton*>("btnSetPercentIncrease");
    EXPECT_EQ(field->text(), "10");
    w.engine.Geometry().zLayerScaleFraction = 0.1;
    for (const char* bad : {"0", "-5", "abc", ""}) {
        field->setText(QString::fromLatin1(bad));
        QTest::mouseClick(set, Qt::LeftButton);
        EXPECT_EQ(field->text(), "10") << bad;
        EXPECT_EQ(w.engine.Geometry().zLayerScaleFraction, 0.1) << bad;
    }
    EXPECT_TRUE(w.dialogs.messages.empty());
    field->setText("12.5");
    QTest::mouseClick(set, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(w.engine.Geometry().zLayerScaleFraction, 0.125);
    EXPECT_EQ(w.params.zASAPL, 10);
    EXPECT_EQ(field->text(), "12.5");
}

TEST_F(RunStatusTest, ClosingTheWindowDuringARunDoesNothing) {
    w.params.fAutoCloseRunWindow = 0;
    bool stillShown = false;
    w.controller.onWaitIdle = [&] {
        if (stillShown) return;
        Status().close();
        stillShown = Status().isVisible();
    };
    QTest::mouseClick(main->findChild<QPushButton*>("btnFullRun"), Qt::LeftButton);
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(w.globals.RunState, engine::kRunIdle);
}

// A board lost in the middle of a run (its link fails): the progress shown
// so far came from the controller, and the run's line in the production
// record carries the error the message box shows, written before it.
TEST_F(RunStatusTest, BoardLostMidRunIsRecordedWithItsError) {
    w.params.fAutoCloseRunWindow = 0;
    auto* bar = Status().findChild<QProgressBar*>("prgTapeLaid");
    ASSERT_NE(bar, nullptr);
    std::vector<int> bars;
    std::vector<QString> lefts;
    int waits = 0;
    w.controller.onWaitIdle = [&] {
        bars.push_back(bar->value());
        lefts.push_back(Text("lblTimeLeft"));
        if (++waits == 40) throw link::BoardLinkError(7, "ZentrovaCom.CharWrite", "The board does not answer");
    };
    QTest::mouseClick(main->findChild<QPushButton*>("btnFullRun"), Qt::LeftButton);

    ASSERT_EQ(w.Messages().size(), 1u);
    EXPECT_EQ(w.exitCodes, (std::vector<int>{1}));
    ASSERT_GE(bars.size(), 40u);
    EXPECT_GT(bars.back(), bars.front());
    EXPECT_LT(bars.back(), 1000);
    EXPECT_FALSE(lefts.back().isEmpty());
    EXPECT_EQ(Text("lblTimeLeftLbl"), "Time left:");

    const auto rows = engine::ParseCsv(*platform::ReadWholeFile(app.Record().FilePath()));
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<std::string>& r = rows[1];
    ASSERT_EQ(r.size(), 14u);
    EXPECT_EQ(r[11], "error");
    EXPECT_EQ("Error " + r[12] + "\r\n" + r[13], w.Messages()[0]);
    EXPECT_LT(std::stod(r[9]), std::stod(r[8]));
    EXPECT_EQ(engine::RunRecord::InProgress(), nullptr);
}

}  // namespace
}  // namespace plyx::ui::test
