// The splash window during the port search and the switch dialog while
// panel switches are closed.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "tests/ui/UiFixture.h"
#include "ui/Application.h"
#include "ui/frmMain.h"
#include "ui/frmRunStatus.h"
#include "ui/frmSplash.h"
#include "ui/frmSwitchStatus.h"

namespace plyx::ui::test {
namespace {

class SplashTest : public ::testing::Test {
protected:
    UiWorld w;
    Application app{w.ctx};
};

TEST_F(SplashTest, StatusLineAndButtonFollowTheScan) {
    frmSplash& splash = app.ShowSplash();
    app::SplashView& view = splash;
    view.SetScanningStatusMessage("COM3");
    EXPECT_EQ(CaptionOfChild(&splash, "lblScanning"), "Testing COM3");
    view.SetScanningStatusMessage("");
    EXPECT_EQ(CaptionOfChild(&splash, "lblScanning"), "FAILED TO FIND BOARD");
    view.SetRetryOrAbortCaption(true);
    EXPECT_EQ(CaptionOfChild(&splash, "btnRetryOrAbort"), "Retry");
    splash.SetRetryOrAbortCaption(std::int16_t{0});
    EXPECT_EQ(CaptionOfChild(&splash, "btnRetryOrAbort"), "Abort");
}

TEST_F(SplashTest, RetryStartsTheScanAgainAndAbortStopsARunningOne) {
    int scans = 0;
    w.engine.SetScanForBoards([&] { ++scans; });
    frmSplash& splash = app.ShowSplash();
    auto* button = splash.findChild<QPushButton*>("btnRetryOrAbort");
    w.globals.RunState = engine::kRunIdle;
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(scans, 1);
    w.globals.RunState = engine::kRunRunning;
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(w.globals.RunState, engine::kRunAbortRequested);
}

TEST_F(SplashTest, ExitAbortsTheScanAndEndsTheProgram) {
    frmSplash& splash = app.ShowSplash();
    w.globals.RunState = engine::kRunRunning;
    QTest::mouseClick(splash.findChild<QPushButton*>("btnExit"), Qt::LeftButton);
    EXPECT_EQ(w.globals.RunState, engine::kRunAbortRequested);
    EXPECT_EQ(w.exitCodes, std::vector<int>{0});
}

TEST_F(SplashTest, FoundControllerReplacesTheSplashByTheMainWindow) {
    app.ShowSplash();
    app.ShowMainWindow();
    EXPECT_EQ(app.Splash(), nullptr);
    ASSERT_NE(app.MainWindow(), nullptr);
    EXPECT_TRUE(app.MainWindow()->isVisible() && app.MainWindow()->TimerRunning());
}

class SwitchDialogTest : public ::testing::Test {
protected:
    UiWorld w;
    Application app{w.ctx};
    frmSwitchStatus& Dialog() { return app.SwitchStatus(); }
    QLabel* Label(const char* name) { return Dialog().findChild<QLabel*>(QString::fromLatin1(name)); }
    QColor Background(const char* name) { return Label(name)->palette().color(QPalette::Window); }
};

const QColor kRed(255, 128, 128);
const QColor kGreen(128, 255, 128);

TEST_F(SwitchDialogTest, OnlyPauseClosedShowsPauseOnRedAndTheOthersEmptyOnGreen) {
    frmMain& main = app.LoadMainWindow();
    main.show();
    w.controller.Close(engine::kSwitchPause, 3);
    std::vector<std::string> seen;
    w.controller.onReadSwitches = [&] {
        if (!Dialog().isVisible() || !seen.empty()) return;
        seen.push_back(Dialog().windowTitle().toStdString());
        seen.push_back(Label("lblPause")->text().toStdString());
        for (const char* name : {"lblStart", "lblBurnish", "lblStop", "lblAbort"})
            if (!Label(name)->text().isEmpty() || Background(name) != kGreen) seen.push_back(std::string("bad ") + name);
        if (Background("lblPause") != kRed) seen.push_back("pause not red");
        if (main.isEnabled()) seen.push_back("main enabled");
        if (app.RunStatus().isEnabled()) seen.push_back("run status enabled");
    };
    w.engine.WaitForSwitchesOpen();
    EXPECT_EQ(seen, (std::vector<std::string>{"COM3: Switches need to be opened", "PAUSE"}));
    // Opening PAUSE closed the dialog without any button.
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_TRUE(main.isEnabled());
    EXPECT_TRUE(app.RunStatus().isEnabled());
}

TEST_F(SwitchDialogTest, ExitProgramPreparesTheControllerAndEnds) {
    const int resets = w.controller.resets;
    Dialog().show();
    QTest::mouseClick(Dialog().findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
    EXPECT_EQ(w.controller.resets, resets + 1);
    EXPECT_EQ(w.exitCodes, std::vector<int>{0});
}

TEST_F(SwitchDialogTest, LanguageChangeKeepsOpenSwitchesEmpty) {
    const std::pair<std::int16_t, const char*> open[] = {{engine::kSwitchStop, "lblStop"},
                                                         {engine::kSwitchPause, "lblPause"},
                                                         {engine::kSwitchBurnish, "lblBurnish"},
                                                         {engine::kSwitchStart, "lblStart"},
                                                         {engine::kSwitchAbort, "lblAbort"}};
    text::SetDictionaryText(w.tables.SelectedLanguageTable, 605, "ΣΤΙΛΒΩΣΗ");
    for (const auto& [bit, name] : open) {
        Dialog().LoadLabels();
        Dialog().ClearLabel(bit);
        Dialog().ApplyTexts();
        EXPECT_TRUE(Label(name)->text().isEmpty()) << name;
        EXPECT_EQ(Label("lblBurnish")->text(), bit == engine::kSwitchBurnish ? "" : "ΣΤΙΛΒΩΣΗ") << name;
    }
}

}  // namespace
}  // namespace plyx::ui::test
