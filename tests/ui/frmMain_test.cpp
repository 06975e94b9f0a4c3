// The main window as the operator uses it: menus, file dialogs, languages,
// the switch timer and the run buttons.
#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QPushButton>
#include <QTest>

#include "app/ParameterFiles.h"
#include "tests/ui/UiFixture.h"
#include "ui/Application.h"
#include "ui/frmMain.h"
#include "ui/frmRunStatus.h"
#include "ui/frmSwitchStatus.h"

namespace plyx::ui::test {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    UiWorld w;
    Application app{w.ctx};

    frmMain& Main() {
        frmMain& main = app.LoadMainWindow();
        w.engine.ReturnToMainWindow();
        return main;
    }
    QPushButton* Button(frmMain& main, const char* name) {
        return main.findChild<QPushButton*>(QString::fromLatin1(name));
    }
    void Trigger(frmMain& main, const char* action) {
        QAction* a = main.findChild<QAction*>(QString::fromLatin1(action));
        ASSERT_NE(a, nullptr) << action;
        a->trigger();
    }
};

TEST_F(MainWindowTest, LanguageAndResourceIdsRecaptionEveryWindowAndTheChoiceIsSaved) {
    frmMain& main = Main();
    const std::string bad = w.documents.File("bad.lng");
    w.documents.Write("bad.lng", "not a language file\r\n");
    const std::string greek = w.documents.File("greek.lng");
    w.documents.Write("greek.lng",
                      "PLYX3RESOURCES\r\n106,Έναρξη πλήρους κύκλου\r\n700,PLYX3 Σε λειτουργία...\r\n602,Έξοδος\r\n"
                      "201,Άν&οιγμα...\r\n");
    w.dialogs.fileAnswers = {bad, greek};
    Trigger(main, "mnuViewSelectLanguage");

    // The bad file is reported and the dialog comes again.
    ASSERT_EQ(w.dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(w.dialogs.fileRequests[0].filter, "Language Files (*.lng)|*.lng");
    EXPECT_TRUE(w.dialogs.fileRequests[0].mustExist);
    ASSERT_FALSE(w.dialogs.messages.empty());
    EXPECT_NE(w.dialogs.messages.back().text.find("Requested Language file is not properly formatted"),
              std::string::npos);

    EXPECT_EQ(CaptionOfChild(&main, "btnFullRun"), "Έναρξη πλήρους κύκλου");
    EXPECT_EQ(CaptionOfChild(&main, "mnuFileOpen"), "Άν&οιγμα...");
    EXPECT_EQ(CaptionOfChild(&main, "btnExit"), "Exit Program");  // not in the file
    EXPECT_EQ(app.RunStatus().windowTitle(), "COM3: PLYX3 Σε λειτουργία...");
    EXPECT_EQ(CaptionOfChild(&app.SwitchStatus(), "CancelButton"), "Έξοδος");
    EXPECT_NE(w.documents.Read("PLYX3/PLYX3.CFG").find("ResourceFile=" + greek), std::string::npos);

    Trigger(main, "mnuViewShowResourceIDs");
    EXPECT_EQ(main.windowTitle(), "COM3: (100:PLYX3)");
    EXPECT_EQ(CaptionOfChild(&app.SwitchStatus(), "CancelButton"), "(602:Έξοδος)");
    Trigger(main, "mnuViewShowResourceIDs");
    Trigger(main, "mnuViewSelectEnglish");
    EXPECT_EQ(CaptionOfChild(&main, "btnFullRun"), "Start Full Run");
    EXPECT_EQ(CaptionOfChild(&app.SwitchStatus(), "CancelButton"), "Exit Program");
}

TEST_F(MainWindowTest, DefaultLanguageDropsTheSelectedFileButKeepsDefaultLng) {
    frmMain& main = Main();
    text::SetDictionaryText(w.tables.DefaultLanguageTable, 106, "Default start");
    text::SetDictionaryText(w.tables.SelectedLanguageTable, 106, "Selected start");
    main.LoadLabels();
    EXPECT_EQ(CaptionOfChild(&main, "btnFullRun"), "Selected start");
    Trigger(main, "mnuViewDefaultLanguage");
    EXPECT_EQ(CaptionOfChild(&main, "btnFullRun"), "Default start");
}

TEST_F(MainWindowTest, EditedShellShowsNoneUntilSaved) {
    w.params.CurrentShellFile = w.documents.File("a.cfg");
    w.params.ShellEdited = true;
    frmMain& main = Main();
    EXPECT_EQ(CaptionOfChild(&main, "lblShellName"), "<none>");

    const std::string target = w.DataDirectory() + "/saved";
    w.dialogs.fileAnswers = {target};
    QTest::mouseClick(Button(main, "btnSaveThisShell"), Qt::LeftButton);
    ASSERT_EQ(w.dialogs.fileRequests.size(), 1u);
    const platform::FileDialogRequest& save = w.dialogs.fileRequests[0];
    EXPECT_EQ(save.title, "COM3: Save As");
    EXPECT_EQ(save.fileName, "a.cfg");
    EXPECT_TRUE(save.confirmOverwrite);

    // A name typed without extension gets "cfg".
    EXPECT_FALSE(w.params.ShellEdited);
    EXPECT_EQ(w.params.CurrentShellFile, target + ".cfg");
    EXPECT_EQ(CaptionOfChild(&main, "lblShellName"), "saved.cfg");
    EXPECT_NE(w.documents.Read("PLYX3/saved.cfg").find("SD=6"), std::string::npos);
    EXPECT_TRUE(main.TimerRunning());
}

TEST_F(MainWindowTest, OpenShellLoadsTheFileAndSavesTheSettings) {
    frmMain& main = Main();
    w.documents.Write("PLYX3/small.cfg", "SD=4.25\r\nTLC=3\r\n");
    w.dialogs.fileAnswers = {w.DataDirectory() + "/small.cfg"};
    QTest::mouseClick(Button(main, "btnLoadShell"), Qt::LeftButton);
    ASSERT_EQ(w.dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(w.dialogs.fileRequests[0].filter, "PLYX3 Files (*.cfg, *.fin)|*.cfg;*.fin");
    EXPECT_TRUE(w.dialogs.fileRequests[0].mustExist);
    EXPECT_EQ(w.params.zSD, 4.25);
    EXPECT_EQ(CaptionOfChild(&main, "lblShellSize"), "4.25 inches");
    EXPECT_EQ(CaptionOfChild(&main, "lblShellName"), "small.cfg");
    EXPECT_NE(w.documents.Read("PLYX3/PLYX3.CFG").find("LastFileLoaded=" + w.DataDirectory() + "/small.cfg"),
              std::string::npos);
}

TEST_F(MainWindowTest, SelectModelKeepsTheShellOnTheNewModel) {
    w.documents.Write("PLYX3/shell.cfg", "SD=9\r\n");
    w.documents.Write("bin/m1.cf", "Model=M1\r\nSD=2\r\nRR=300\r\n");
    frmMain& main = Main();
    w.params.CurrentShellFile = w.DataDirectory() + "/shell.cfg";
    w.dialogs.fileAnswers = {w.documents.File("bin/m1.cf")};
    Trigger(main, "mnuFileSelectModel");
    ASSERT_EQ(w.dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(w.dialogs.fileRequests[0].filter, "Available PLYX3 Models (*.cf)|*.cf");
    EXPECT_EQ(w.params.strModel, "M1");
    EXPECT_EQ(w.params.zRR, 300);
    EXPECT_EQ(w.params.zSD, 9);  // the shell file read again on top
    EXPECT_EQ(w.params.CurrentShellFile, w.DataDirectory() + "/shell.cfg");
    EXPECT_EQ(CaptionOfChild(&main, "lblApplicationName"), "COM3: Model M1");
}

// The program runs from <prefix>/bin (here the fixture's "bin"): the model
// dialog must open where models are, as each one appears, and a folder or a
// shell file does not count as a model.
TEST_F(MainWindowTest, ModelDialogOpensWhereTheModelsAre) {
    const std::string examples = "share/plyx3/examples/models";
    struct Step {
        const char* adds;  // a file (or, ending in "/", a folder) made before the dialog opens
        std::string opensIn;
    };
    const Step steps[] = {
        {"PLYX3/folder.cf/", "bin"},
        {"bin/shell.cfg", "bin"},
        {"share/plyx3/examples/models/", examples},
        {"share/plyx3/examples/models/Standard-4Axis.cf", examples},
        {"PLYX3/own.cf", "PLYX3"},
        {"bin/beside.cf", "bin"},
    };
    frmMain& main = Main();
    for (const Step& step : steps) {
        const std::string adds = step.adds;
        if (adds.back() == '/') {
            std::filesystem::create_directories(w.documents.File(adds));
        } else {
            std::filesystem::create_directories(w.documents.File(adds.substr(0, adds.rfind('/'))));
            w.documents.Write(adds, "Model=M\r\n");
        }
        w.dialogs.fileRequests.clear();
        Trigger(main, "mnuFileSelectModel");
        ASSERT_EQ(w.dialogs.fileRequests.size(), 1u) << adds;
        EXPECT_EQ(std::filesystem::weakly_canonical(w.dialogs.fileRequests[0].initialFolder),
                  std::filesystem::weakly_canonical(w.documents.File(step.opensIn)))
            << "after " << adds;
    }
}

TEST_F(MainWindowTest, CancelledLanguageOrModelDialogChangesNothing) {
    w.params.strModel = "OLD";
    w.params.CurrentShellFile = "/x/y.cfg";
    w.params.zSD = 3;
    frmMain& main = Main();
    Trigger(main, "mnuViewSelectLanguage");
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(CaptionOfChild(&main, "btnFullRun"), "Start Full Run");
    Trigger(main, "mnuFileSelectModel");
    EXPECT_EQ(w.dialogs.fileRequests.size(), 2u);
    EXPECT_TRUE(w.params.strModel == "OLD" && w.params.CurrentShellFile == "/x/y.cfg" && w.params.zSD == 3);
    EXPECT_TRUE(main.TimerRunning());
}

TEST_F(MainWindowTest, TickWhileAnEarlierPollRunsDoesNothing) {
    frmMain& main = Main();
    int nestedReads = -1;
    w.controller.onReadSwitches = [&] {
        if (nestedReads >= 0) return;
        const int before = w.controller.switchReads;
        main.TimerEvent();  // a tick arriving inside the poll
        nestedReads = w.controller.switchReads - before;
    };
    main.TimerEvent();
    EXPECT_EQ(nestedReads, 0);
    EXPECT_FALSE(main.TimerBusy());
    EXPECT_EQ(w.globals.LampMode, 2);  // the poll lit START and BURNISH
    main.StopTimer();
    EXPECT_EQ(w.controller.lamps.back(), 0);
    EXPECT_EQ(w.globals.LampMode, 0);
}

TEST_F(MainWindowTest, StartAndBurnishTogetherStartAFullRun) {
    w.params.cTLC = 3;
    w.params.cBLC = 1;
    frmMain& main = Main();
    QTest::mouseClick(Button(main, "btnFullRun"), Qt::LeftButton);
    const int fullRunMoves = w.controller.moves;
    w.controller.moves = 0;
    QTest::mouseClick(Button(main, "btnStartBurnish"), Qt::LeftButton);
    const int burnishMoves = w.controller.moves;
    ASSERT_NE(fullRunMoves, burnishMoves);

    w.controller.moves = 0;
    w.controller.Close(engine::kSwitchStart, 1);
    w.controller.Close(engine::kSwitchBurnish, 1);
    main.TimerEvent();
    EXPECT_EQ(w.controller.moves, fullRunMoves);
    EXPECT_TRUE(main.isVisible() && main.TimerRunning());  // auto return brought it back

    // Without a model nothing starts, from the buttons or from the panel.
    w.params.strModel.clear();
    w.controller.moves = 0;
    QTest::mouseClick(Button(main, "btnStartBurnish"), Qt::LeftButton);
    w.controller.Close(engine::kSwitchStart, 1);
    main.TimerEvent();
    EXPECT_EQ(w.controller.moves, 0);
    EXPECT_EQ(w.Messages().size(), 2u);
    EXPECT_TRUE(main.isVisible() && main.TimerRunning());
}

TEST_F(MainWindowTest, StopClosedAtIdleShowsTheSwitchDialogInsteadOfStarting) {
    frmMain& main = Main();
    w.controller.Close(engine::kSwitchStart, 4);
    w.controller.Close(engine::kSwitchStop, 4);
    bool dialogSeen = false;
    bool mainDisabledMeanwhile = false;
    w.controller.onReadSwitches = [&] {
        if (app.SwitchStatus().isVisible()) {
            dialogSeen = true;
            mainDisabledMeanwhile = !main.isEnabled();
        }
    };
    main.TimerEvent();
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(mainDisabledMeanwhile);
    EXPECT_EQ(w.controller.moves, 0);
    EXPECT_FALSE(app.SwitchStatus().isVisible());
    EXPECT_TRUE(main.isEnabled());
}

TEST_F(MainWindowTest, ExitPreparesTheControllerAndEndsTheProgram) {
    frmMain& main = Main();
    app.ShowSplash();
    bool ended = false;
    app.OnProgramEnd = [&] { ended = true; };
    const int resets = w.controller.resets;
    QTest::mouseClick(Button(main, "btnExit"), Qt::LeftButton);
    EXPECT_EQ(w.controller.resets, resets + 1);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(app.Splash(), nullptr);

    // A board error on the way out is shown with its number, and the end is an error.
    UiWorld w2;
    Application app2{w2.ctx};
    app2.OnProgramEnd = [] {};
    w2.controller.failReset = true;
    app2.LoadMainWindow();
    w2.engine.ReturnToMainWindow();
    QTest::mouseClick(app2.MainWindow()->findChild<QPushButton*>("btnExit"), Qt::LeftButton);
    EXPECT_EQ(w2.Messages(), std::vector<std::string>{"Error " + std::to_string(static_cast<std::int32_t>(0x80047537u)) +
                                                      "\r\nThe controller stopped answering"});
    EXPECT_EQ(w2.exitCodes, std::vector<int>{1});
}

}  // namespace
}  // namespace plyx::ui::test
