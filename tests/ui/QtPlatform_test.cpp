// The Qt side of the windows: captions that must not be cut off, in every
// window and language; the file dialog, answered by a timer that plays the
// operator; the event pump.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <set>

#include "app/LanguageFiles.h"
#include "platform/qt/QtDialogs.h"
#include "tests/ui/UiFixture.h"
#include "ui/Layout.h"
#include "ui/ResourceText.h"
#include "ui/frmOptions.h"
#include "ui/frmRunStatus.h"
#include "ui/frmSplash.h"
#include "ui/frmSwitchStatus.h"

namespace plyx::ui {
namespace {

// A long caption takes two lines, or without a blank a smaller font, never
// below 8 pt (also from a design size under 12 pt), and never cut off.
TEST(Layout, LongCaptionWrapsOrShrinksInsteadOfBeingCutOff) {
    QWidget parent;
    QPushButton* button = NewButton(&parent, 0, 0, 2655, 735, 12, true);
    SetCaption(button, "Αποθήκευση αυτού του κελύφους");
    EXPECT_TRUE(CaptionFits(button) && button->text() == "Αποθήκευση αυτού\nτου κελύφους");
    EXPECT_EQ(CaptionOf(button), "Αποθήκευση αυτού του κελύφους");
    SetCaption(button, "Αποθήκευσηαυτούτου");
    EXPECT_TRUE(CaptionFits(button) && button->font().pointSizeF() < 12);
    QPushButton* small = NewButton(&parent, 0, 0, 2655, 735, 9.75, true);
    for (QPushButton* b : {button, small}) {
        SetCaption(b, "Αποθήκευσηαυτούτουκελύφουςκαιάλλων");
        EXPECT_DOUBLE_EQ(b->font().pointSizeF(), 8);
    }
    SetCaption(button, "Short");
    EXPECT_TRUE(button->text() == "Short" && button->font().pointSizeF() == 12);
}

// Every caption of every window, in English and in the longest German, is
// whole and drawn at 8 pt or more, and at two thirds of its design size.
class EveryWindow : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryWindow, CaptionsFitAndStayReadable) {
    test::UiWorld w;
    std::string file = PLYX3_EXAMPLES_DIR + GetParam();
    // A shipped translation loads and has every text.
    ASSERT_TRUE(GetParam().empty() || text::LoadSelectedResourceFile(w.env, file) == 0);
    EXPECT_EQ(w.tables.SelectedLanguageTable.size(), GetParam().empty() ? 0 : w.tables.InternalDictionary.size());
    w.params.CurrentShellFile = w.DataDirectory() + "/demo shell 7-5.cfg";
    w.params.idMMD = frmOptions::kServiceMode;
    Application app(w.ctx, w.runs);
    frmOptions options(w.ctx);
    options.IntializeData();
    app.ShowSplash().SetScanningStatusMessage("COM12");
    app.RunStatus().SetShellNameCaption("");
    app.SwitchStatus().LoadLabels();
    const std::vector<QWidget*> windows{&app.ShowSplash(), &app.LoadMainWindow(), &options, &app.RunStatus(),
                                        &app.SwitchStatus()};
    int captions = 0;
    for (QWidget* window : windows) {
        for (QWidget* control : window->findChildren<QWidget*>()) {
            const double design = DesignPoints(control);
            if (design <= 0 || CaptionOf(control).isEmpty()) continue;
            ++captions;
            SCOPED_TRACE(ToStdString(window->objectName() + "/" + control->objectName() + " " + CaptionOf(control)));
            EXPECT_GE(control->font().pointSizeF(), std::max(8.0, design * 2 / 3));
            EXPECT_TRUE(CaptionFits(control));
        }
    }
    EXPECT_GT(captions, 60);
}

INSTANTIATE_TEST_SUITE_P(Languages, EveryWindow,
                         ::testing::Values("", "/languages/german-long.lng", "/languages/german.lng",
                                           "/languages/greek.lng"));

// In the longest German, like controls share one font size (the smallest
// any of them needs), so that none is drawn at half the size of its
// neighbours; each still fits. The options dialog is wide enough for its
// title beside a title bar's icon and buttons.
TEST(Layout, LikeControlsShareOneSizeInLongGerman) {
    test::UiWorld w;
    std::string file = PLYX3_EXAMPLES_DIR "/languages/german-long.lng";
    ASSERT_EQ(text::LoadSelectedResourceFile(w.env, file), 0);
    w.params.CurrentShellFile = w.DataDirectory() + "/demo shell 7-5.cfg";
    Application app(w.ctx, w.runs);
    QWidget& main = app.LoadMainWindow();
    frmOptions options(w.ctx);
    options.IntializeData();
    const std::pair<QWidget*, std::vector<const char*>> groups[] = {
        {&main,
         {"btnFullRun", "btnStartBurnish", "btnLoadShell", "btnEditThisShell", "btnSaveThisShell", "btnExit"}},
        {&main, {"lblCurrentShellLabel", "lblShellSizeLabel"}},
        {&options,
         {"lblShellDiameterLable", "lblPoleDiameterLabel", "lblTapeSpacingLabel", "lblSpeedLabel",
          "lblNumberOfLayersLabel", "lblWrapsPerLayerLabel", "lblLayerIncreasePercentLabel",
          "lblBurnishRateIncreasePercentLabel", "lblBurnishLayerCountLabel", "lblAltLayer"}},
        {&options, {"cmdOK", "cmdCancel", "cmdApply"}},
    };
    for (const auto& [window, names] : groups) {
        std::set<double> sizes;
        for (const char* name : names) {
            const auto* control = window->findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(control, nullptr) << name;
            sizes.insert(control->font().pointSizeF());
            EXPECT_TRUE(CaptionFits(control)) << name;
        }
        EXPECT_EQ(sizes.size(), 1u) << names.front() << ": " << ::testing::PrintToString(sizes);
    }
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int titleBar = 4 * QFontMetrics(titleFont).height() + 3 * 28;  // icon, three buttons, margins
    EXPECT_GE(options.width(), QFontMetrics(titleFont).horizontalAdvance(options.windowTitle()) + titleBar);
}

// Calls answer with the file dialog once it is up (exec() blocks the test
// until answer closes it).
void WhenShown(std::function<void(QFileDialog*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start();
}

TEST(QtDialogs, SaveDialogCarriesTheRequest) {
    plyx::test::TempDir dir;
    platform::QtDialogs dialogs;
    platform::FileDialogRequest request;
    request.title = "COM3: Save As";
    request.filter = "PLYX3 Files (*.cfg, *.fin)|*.cfg;*.fin";
    request.initialFolder = dir.path();
    request.defaultExtension = "cfg";
    request.confirmOverwrite = true;
    QStringList seen;
    WhenShown([&](QFileDialog* d) {
        seen << d->windowTitle() << d->directory().absolutePath() << d->defaultSuffix() << d->nameFilters()
             << (d->testOption(QFileDialog::DontConfirmOverwrite) ? "no confirm" : "confirm");
        d->reject();
    });
    EXPECT_EQ(dialogs.GetSaveFileName(request), "");
    EXPECT_EQ(seen, (QStringList{"COM3: Save As", QString::fromStdString(dir.path()), "cfg",
                                 "PLYX3 Files (*.cfg, *.fin) (*.cfg *.fin)", "confirm"}));
    EXPECT_EQ(platform::QtNameFilters("A|*.a|B|*.b"), "A (*.a);;B (*.b)");
}

// Keeps a test's quit event from reaching the application, which would end
// every later event loop of the test program.
class SwallowQuit final : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Quit; }
};

TEST(QtEventPump, RunsPendingEventsAndSeesAQuitRequest) {
    SwallowQuit swallow;
    qApp->installEventFilter(&swallow);  // before the pump: the pump's filter runs first
    platform::QtEventPump pump;
    bool ran = false;
    QMetaObject::invokeMethod(qApp, [&] { ran = true; }, Qt::QueuedConnection);
    EXPECT_FALSE(pump.QuitRequested());
    pump.DispatchPending();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(pump.QuitRequested());
    QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
    pump.DispatchPending();
    EXPECT_TRUE(pump.QuitRequested());
}

}  // namespace
}  // namespace plyx::ui
