// The run status window through a run: texts, the button-state table,
// pause/restart/abort from its buttons, the live increase, a board lost.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/ParameterFiles.h"
#include "engine/plan/RunRecord.h"
#include "link/BoardLinkError.h"
#include "platform/Files.h"
#include "tests/support/Csv.h"
#include "tests/ui/UiFixture.h"
#include "ui/frmRunStatus.h"

namespace plyx::ui::test {
namespace {

class RunStatusTest : public UiTest {
protected:
    frmMain* main = nullptr;
    void SetUp() override {
        main = &Main();
        w.params.fAutoCloseRunWindow = 0;
    }
    frmRunStatus& Status() { return app.RunStatus(); }
    template <typename T = QPushButton>
    T* Child(const char* name) { return Status().findChild<T*>(QString::fromLatin1(name)); }
    QString Text(const char* name) { return CaptionOfChild(&Status(), name); }
};

// A turn is one idle wait: Pause, Restart, Pause, then Abort while paused;
// closing the window mid-run does nothing, unavailable buttons do not react,
// and the ended run offers Load New Shell; a run to its end fills the bar.
TEST_F(RunStatusTest, ButtonsFollowTheRunThroughPauseRestartAndAbort) {
    w.params.CurrentShellFile = "/s/cup.cfg";
    w.params.ShellEdited = true;
    QPushButton* const pause = Child("btnPauseOrRestart");
    QPushButton* const abort = Child("btnAbort");
    auto state = [&] {
        return pause->text().toStdString() + (pause->isEnabled() ? "+" : "-") + "/" + abort->text().toStdString() +
               (abort->isEnabled() ? "+" : "-") + " " + std::to_string(w.globals.RunState) +
               (Status().isVisible() ? "" : " closed") + " " + Text("lblRunState").toStdString();
    };
    QPushButton* const clicks[] = {pause, pause, pause, abort};
    std::size_t turn = 0;
    bool inClick = false;  // waits nested inside a button's handler are no turns of their own
    std::vector<std::string> seen;
    w.controller.onWaitIdle = [&] {
        if (inClick || turn == std::size(clicks)) return;
        inClick = true;
        if (turn == 0) {
            Status().close();
            seen.push_back(state());
        }
        QTest::mouseClick(clicks[turn++], Qt::LeftButton);
        if (turn == std::size(clicks)) {
            QTest::mouseClick(abort, Qt::LeftButton);
            QTest::mouseClick(pause, Qt::LeftButton);
        }
        seen.push_back(state());
        inClick = false;
    };
    Click(main, "btnFullRun");
    EXPECT_EQ(Text("lblShellName"), "<shell data not saved>");
    EXPECT_EQ(seen, (std::vector<std::string>{"Pause+/Abort Run+ 1 Running", "Restart+/Abort Run+ 3 Paused",
                                              "Pause+/Abort Run+ 1 Running", "Restart+/Abort Run+ 3 Paused",
                                              "Restart-/Aborting...- 2 Aborting: the controller is being stopped"}));
    EXPECT_EQ(w.controller.resumes, 1);
    EXPECT_EQ(state(), "Pause-/Load New Shell+ 0 Aborted from the window");
    Click(&Status(), "btnAbort");
    EXPECT_TRUE(!Status().isVisible() && main->isVisible() && main->TimerRunning());
    Click(main, "btnFullRun");  // to its end
    EXPECT_EQ(Child<QProgressBar>("prgTapeLaid")->value(), Child<QProgressBar>("prgTapeLaid")->maximum());
    EXPECT_EQ(Text("lblRunState"), "Completed");
    EXPECT_EQ(Text("lblTimeLeft"), "0:00:00");
}

// Aborted in the shell's first layer with a finishing file beside it: the
// window names the shell that ran (not the finishing file), says the
// finishing layers did not run and shows no time left; the main window,
// back after Load New Shell, tells the last run.
TEST_F(RunStatusTest, AnAbortedRunSaysSoAndThatTheFinishingLayersDidNotRun) {
    w.params.strModel = "Std";
    const std::string shell = w.DataDirectory() + "/cup.cfg";
    ASSERT_TRUE(platform::WriteFileAtomically(shell, "TLC=2\r\n"));
    ASSERT_TRUE(platform::WriteFileAtomically(w.DataDirectory() + "/cup.fin", "TLC=1\r\n"));
    app::LoadParameterFile(w.env, w.params, shell);
    int turns = 0;
    w.controller.onWaitIdle = [&] {
        if (++turns == 3) QTest::mouseClick(Child("btnAbort"), Qt::LeftButton);
    };
    Click(main, "btnFullRun");
    ASSERT_TRUE(w.runs.progress.Plan().finishingChained);
    EXPECT_EQ(Text("lblShellName"), "cup.cfg");
    EXPECT_EQ(Text("lblRunState"), "Aborted from the window. The finishing file's layers did not run.");
    EXPECT_EQ(Text("lblTimeLeft"), "");
    Click(&Status(), "btnAbort");
    const std::string last = CaptionOfChild(main, "lblLastRun").toStdString();
    EXPECT_EQ(last.rfind("Last run: Aborted from the window, ", 0), 0u) << last;
    EXPECT_NE(last.find(" / 3 layers, "), std::string::npos) << last;
}

TEST_F(RunStatusTest, SetPercentIncreaseTakesOnlyPositiveNumbers) {
    w.params.zASAPL = 10;
    w.engine.Geometry().zLayerScaleFraction = 0.1;
    Status().LoadLabels();
    Status().show();
    auto* field = Child<QLineEdit>("edtLayerIncreasePercent2");
    for (const char* typed : {"0", "-5", "abc", "", "12.5"}) {
        field->setText(QString::fromLatin1(typed));
        Click(&Status(), "btnSetPercentIncrease");
        const bool taken = std::string(typed) == "12.5";
        EXPECT_EQ(field->text(), taken ? "12.5" : "10") << typed;
        EXPECT_DOUBLE_EQ(w.engine.Geometry().zLayerScaleFraction, taken ? 0.125 : 0.1) << typed;
    }
    EXPECT_TRUE(w.dialogs.messages.empty() && w.params.zASAPL == 10);
}

// A board lost mid-run: the bar showed the controller's progress, and the
// run's line in the production record carries the error the message box
// shows, written before it.
TEST_F(RunStatusTest, BoardLostMidRunIsRecordedWithItsError) {
    std::vector<int> bars;
    w.controller.onWaitIdle = [&] {
        bars.push_back(Child<QProgressBar>("prgTapeLaid")->value());
        if (bars.size() == 40) throw link::BoardLinkError(7, "ZentrovaCom.CharWrite", "The board does not answer");
    };
    Click(main, "btnFullRun");
    ASSERT_EQ(w.Messages().size(), 1u);
    EXPECT_EQ(w.exitCodes, (std::vector<int>{1}));
    EXPECT_TRUE(bars.back() > bars.front() && bars.back() < 1000);
    const auto rows = plyx::test::ParseCsv(*platform::ReadWholeFile(app.Record().FilePath()));
    ASSERT_TRUE(rows.size() == 2 && rows[1].size() == 14 && rows[1][11] == "error");
    const std::vector<std::string>& r = rows[1];
    EXPECT_EQ("Error " + r[12] + "\r\n" + r[13], w.dialogs.messages[0].details);
    // The board still answered: the operator reads that it was stopped.
    const std::string& text = w.dialogs.messages[0].text;
    EXPECT_EQ(text.rfind(w.env.GetResourceText(1265), 0), 0u) << text;
    EXPECT_NE(text.find(w.env.GetResourceText(1250)), std::string::npos) << text;
    EXPECT_LT(std::stod(r[9]), std::stod(r[8]));
    EXPECT_FALSE(app.Record().Running());
}

}  // namespace
}  // namespace plyx::ui::test
