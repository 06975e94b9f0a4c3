// The main window as the operator uses it: menus, file dialogs, languages,
// the switch timer and the exit; the switch dialog; errors reaching a window
// action.
#include <gtest/gtest.h>

#include <filesystem>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <set>
#include <tuple>

#include "app/LanguageFiles.h"
#include "drivers/DriverNumbers.h"
#include "engine/LostMovesError.h"
#include "link/BoardLinkError.h"
#include "platform/Files.h"
#include "tests/ui/UiFixture.h"
#include "ui/UiContext.h"
#include "ui/frmOptions.h"
#include "ui/frmPreview.h"
#include "ui/frmRunStatus.h"
#include "ui/frmSplash.h"
#include "ui/frmSwitchStatus.h"

namespace plyx::ui::test {
namespace {

using MainWindowTest = UiTest;

TEST_F(MainWindowTest, LanguageAndResourceIdsRecaptionEveryWindowAndTheChoiceIsSaved) {
    frmMain& main = Main();
    const std::string bad = w.documents.File("bad.lng");
    w.documents.Write("bad.lng", "not a language file\r\n");
    const std::string greek = w.documents.File("greek.lng");
    w.documents.Write("greek.lng", "PLYX3RESOURCES\r\n106,Έναρξη\r\n700,PLYX3 Σε λειτουργία...\r\n602,Έξοδος\r\n");
    w.dialogs.fileAnswers = {bad, greek};
    Click(&main, "mnuViewSelectLanguage");
    // The bad file is reported and the dialog comes again.
    EXPECT_TRUE(w.dialogs.fileRequests.size() == 2 && w.dialogs.fileRequests[0].mustExist);
    EXPECT_EQ(w.Messages(), std::vector<std::string>{"Requested Language file is not properly formatted\r\n" + bad});
    EXPECT_EQ(CaptionOfChild(&main, "btnFullRun"), "Έναρξη");
    EXPECT_EQ(CaptionOfChild(&main, "btnExit"), "Exit Program");  // not in the file
    EXPECT_EQ(app.RunStatus().windowTitle(), "COM3: PLYX3 Σε λειτουργία...");
    EXPECT_EQ(CaptionOfChild(&app.SwitchStatus(), "CancelButton"), "Έξοδος");
    EXPECT_NE(w.documents.Read("PLYX3/PLYX3.CFG").find("ResourceFile=" + greek), std::string::npos);

    Click(&main, "mnuViewShowResourceIDs");
    EXPECT_EQ(CaptionOfChild(&app.SwitchStatus(), "CancelButton"), "(602:Έξοδος)");
    Click(&main, "mnuViewShowResourceIDs");
    Click(&main, "mnuViewSelectEnglish");
    EXPECT_EQ(CaptionOfChild(&app.SwitchStatus(), "CancelButton"), "Exit Program");
}

// An edited shell shows no name until saved; a bare name gets "cfg".
TEST_F(MainWindowTest, SaveAnEditedShellAndOpenItAgain) {
    w.params.CurrentShellFile = w.documents.File("a.cfg");
    w.params.ShellEdited = true;
    w.params.zSD = 4.25;
    frmMain& main = Main();
    EXPECT_EQ(CaptionOfChild(&main, "lblShellName"), "<none>");
    const std::string saved = w.DataDirectory() + "/saved";
    w.dialogs.fileAnswers = {saved, saved + ".cfg"};
    Click(&main, "btnSaveThisShell");
    EXPECT_TRUE(w.dialogs.fileRequests.at(0).fileName == "a.cfg" && w.dialogs.fileRequests[0].confirmOverwrite);
    EXPECT_FALSE(w.params.ShellEdited);
    EXPECT_EQ(CaptionOfChild(&main, "lblShellName"), "saved.cfg");

    w.params.zSD = 6;
    Click(&main, "btnLoadShell");
    EXPECT_TRUE(w.dialogs.fileRequests.at(1).mustExist);
    EXPECT_EQ(CaptionOfChild(&main, "lblShellSize"), "4.25 inches");
    EXPECT_NE(w.documents.Read("PLYX3/PLYX3.CFG").find("LastFileLoaded=" + saved + ".cfg"), std::string::npos);
    EXPECT_TRUE(main.TimerRunning());
}

// The program runs from <prefix>/bin (here the fixture's "bin"): the model
// dialog opens where models are, as each one appears (a folder or a shell
// file is no model); a chosen model keeps the shell read on top of it.
TEST_F(MainWindowTest, ModelDialogOpensWhereTheModelsAreAndKeepsTheShell) {
    const std::string examples = "share/plyx3/examples/models";
    const std::pair<std::string, std::string> steps[] = {  // made before the dialog opens ("/": a folder), opens in
        {"PLYX3/folder.cf/", "bin"},  {"bin/shell.cfg", "bin"}, {examples + "/", examples},
        {examples + "/M.cf", examples}, {"PLYX3/own.cf", "PLYX3"}, {"bin/beside.cf", "bin"}};
    w.documents.Write("PLYX3/shell.cfg", "SD=9\r\n");
    w.params.CurrentShellFile = w.DataDirectory() + "/shell.cfg";
    frmMain& main = Main();
    for (const auto& [adds, opensIn] : steps) {
        std::filesystem::create_directories(w.documents.File(adds.substr(0, adds.rfind('/'))));
        if (adds.back() != '/') w.documents.Write(adds, "Model=M\r\n");
        w.dialogs.fileRequests.clear();
        Click(&main, "mnuFileSelectModel");
        ASSERT_EQ(w.dialogs.fileRequests.size(), 1u) << adds;
        EXPECT_EQ(std::filesystem::weakly_canonical(w.dialogs.fileRequests[0].initialFolder),
                  std::filesystem::weakly_canonical(w.documents.File(opensIn)))
            << "after " << adds;
    }
    EXPECT_EQ(w.params.strModel, "Standard-4Axis.cf");  // each dialog was cancelled
    w.documents.Write("bin/m1.cf", "Model=M1\r\nSD=2\r\nRR=300\r\n");
    w.dialogs.fileAnswers = {w.documents.File("bin/m1.cf")};
    Click(&main, "mnuFileSelectModel");
    EXPECT_TRUE(w.params.strModel == "M1" && w.params.zRR == 300 && w.params.zSD == 9);
    EXPECT_EQ(CaptionOfChild(&main, "lblApplicationName"), "COM3: Model M1");
}

// At first start no model is chosen. Each shipped model, chosen through the
// model dialog, names the model (a file without a Model line after its own
// name, blanks removed as from a Model line), the settings keep that name,
// and a full run then starts instead of being refused for want of a model.
TEST_F(MainWindowTest, EveryShippedModelNamesTheModelSoARunStarts) {
    struct Case {
        std::string file;
        std::string modelBefore;
        std::string named;  // "" for a shipped model: any name will do
    };
    std::vector<Case> cases;
    for (const auto& entry : std::filesystem::directory_iterator(PLYX3_EXAMPLES_DIR "/models"))
        if (entry.path().extension() == ".cf") cases.push_back({entry.path().string(), "", ""});
    ASSERT_FALSE(cases.empty());
    w.documents.Write("bin/Bench Model 2.cf", "MSPS=16\r\nSSR=5\r\n");
    cases.push_back({w.documents.File("bin/Bench Model 2.cf"), "", "BenchModel2"});
    cases.push_back({w.documents.File("bin/Bench Model 2.cf"), "Older", "BenchModel2"});
    frmMain& main = Main();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        w.params.strModel = c.modelBefore;
        w.dialogs.messages.clear();
        w.dialogs.fileAnswers = {c.file};
        Click(&main, "mnuFileSelectModel");
        const std::string name = w.params.strModel;
        EXPECT_FALSE(name.empty());
        if (!c.named.empty()) {
            EXPECT_EQ(name, c.named);
        }
        EXPECT_EQ(CaptionOfChild(&main, "lblApplicationName").toStdString(), "COM3: Model " + name);
        EXPECT_NE(w.documents.Read("PLYX3/PLYX3.CFG").find("\r\nModel=" + name + "\r\n"), std::string::npos);
        w.globals.TotalQueuedDistance = 0;
        Click(&main, "btnFullRun");
        EXPECT_EQ(w.Messages(), std::vector<std::string>{});
        EXPECT_GT(w.globals.TotalQueuedDistance, 0);
    }
}

// Help where the operator looks: every field of the options dialog (and
// its label) and every button of the main window has a tooltip of its own,
// taken from the dictionary; a field's names its unit and the values allowed.
TEST_F(MainWindowTest, FieldsAndButtonsHaveTooltipsFromTheDictionary) {
    w.params.idMMD = frmOptions::kServiceMode;
    frmMain& main = Main();
    frmOptions options(w.ctx);
    for (const bool ids : {false, true}) {
        w.tables.ShowResourceIDs = ids;
        options.IntializeData();
        main.LoadLabels();
        std::vector<const QWidget*> helped;
        for (const QLineEdit* field : options.findChildren<QLineEdit*>()) helped.push_back(field);
        helped.push_back(options.findChild<QLabel*>("lblMicroStepsPerStep"));
        const std::size_t fields = helped.size();
        for (const QPushButton* button : main.findChildren<QPushButton*>()) helped.push_back(button);
        ASSERT_EQ(helped.size(), 25u + 6u);
        std::set<QString> tips;
        for (std::size_t i = 0; i < helped.size(); ++i) {
            const QString tip = helped[i]->toolTip();
            SCOPED_TRACE(helped[i]->objectName().toStdString() + ": " + tip.toStdString());
            tips.insert(tip);
            EXPECT_EQ(tip.startsWith("(13"), ids);
            if (i >= fields) continue;
            const bool unit = tip.contains("inches") || tip.contains("steps/s") || tip.contains("per cent", Qt::CaseInsensitive) ||
                              tip.contains("count") || tip.contains("factor");
            const bool range = tip.contains("greater than 0") || tip.contains("to 32767") || tip.contains("model file");
            EXPECT_TRUE(unit && range);
            for (const QLabel* label : options.findChildren<QLabel*>()) {
                if (label->buddy() == helped[i]) {
                    EXPECT_EQ(label->toolTip(), tip);
                }
            }
        }
        EXPECT_EQ(tips.size(), helped.size());
    }
}

// Keys open, save, edit and preview, as their menu items do; no key of the
// window starts a run.
TEST_F(MainWindowTest, KeysOpenSaveEditAndPreviewButNoneStartsARun) {
    frmMain& main = Main();
    QApplication::setActiveWindow(&main);
    QString modal;
    auto closeModal = [&] {
        QTimer::singleShot(0, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                modal = dialog->objectName();
                dialog->close();
            }
        });
    };
    const std::tuple<QKeyCombination, std::function<bool()>> keys[] = {
        {Qt::CTRL | Qt::Key_O, [&] { return w.dialogs.fileRequests.back().filter.find("*.cfg") != std::string::npos &&
                                           w.dialogs.fileRequests.back().mustExist; }},
        {Qt::CTRL | Qt::Key_S, [&] { return w.dialogs.fileRequests.back().confirmOverwrite; }},
        {Qt::CTRL | Qt::Key_E, [&] { return modal == "frmOptions"; }},
        {Qt::CTRL | Qt::Key_P, [&] { return main.Preview() != nullptr && main.Preview()->isVisible(); }},
    };
    for (const auto& [key, done] : keys) {
        w.dialogs.fileRequests.clear();
        w.dialogs.fileRequests.emplace_back();
        closeModal();
        QTest::keyClick(&main, key.key(), key.keyboardModifiers());
        QCoreApplication::processEvents();
        EXPECT_TRUE(done()) << QKeySequence(key).toString().toStdString();
        if (main.Preview()) main.Preview()->close();
        QApplication::setActiveWindow(&main);
    }
    std::vector<QKeySequence> every;
    for (const QAction* action : main.findChildren<QAction*>())
        if (!action->shortcut().isEmpty()) every.push_back(action->shortcut());
    for (const QAbstractButton* button : main.findChildren<QAbstractButton*>())
        if (!button->shortcut().isEmpty()) every.push_back(button->shortcut());
    EXPECT_EQ(every.size(), std::size(keys));
    for (const QKeySequence& key : every) {
        closeModal();
        QTest::keyClick(&main, key[0].key(), key[0].keyboardModifiers());
        QCoreApplication::processEvents();
        if (main.Preview()) main.Preview()->close();
        QApplication::setActiveWindow(&main);
    }
    EXPECT_EQ(w.globals.TotalQueuedDistance, 0);
    EXPECT_FALSE(app.RunStatus().isVisible());
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
    EXPECT_EQ(w.globals.LampMode, 2);  // the poll lit START and BURNISH
    main.StopTimer();
    EXPECT_EQ(w.controller.lamps.back(), 0);
}

// A language change keeps an open switch's label empty in the switch dialog.
TEST_F(MainWindowTest, SwitchDialogKeepsOpenSwitchesEmptyOnALanguageChange) {
    frmSwitchStatus& dialog = app.SwitchStatus();
    auto label = [&](const char* name) { return dialog.findChild<QLabel*>(QString::fromLatin1(name))->text(); };
    text::SetDictionaryText(w.tables.SelectedLanguageTable, 605, "ΣΤΙΛΒΩΣΗ");
    const std::pair<std::int16_t, const char*> open[] = {
        {engine::kSwitchStart, "lblStart"}, {engine::kSwitchStop, "lblStop"}, {engine::kSwitchBurnish, "lblBurnish"}};
    for (const auto& [bit, name] : open) {
        dialog.LoadLabels();
        dialog.ClearLabel(bit);
        dialog.ApplyTexts();
        EXPECT_TRUE(label(name).isEmpty()) << name;
        EXPECT_EQ(label("lblBurnish"), bit == engine::kSwitchBurnish ? "" : "ΣΤΙΛΒΩΣΗ") << name;
    }
}

// Exit from the main window leaves the controller reset for whatever runs
// next; from the splash it aborts the port scan under way. Both end the program.
TEST_F(MainWindowTest, ExitResetsTheControllerOrAbortsTheScan) {
    frmMain& main = Main();
    bool ended = false;
    app.OnProgramEnd = [&] { ended = true; };
    const int resets = w.controller.resets;
    Click(&main, "btnExit");
    EXPECT_EQ(w.controller.resets, resets + 1);
    EXPECT_TRUE(ended && !main.isVisible());
    frmSplash& splash = app.ShowSplash();
    w.globals.RunState = engine::kRunRunning;
    Click(&splash, "btnExit");
    EXPECT_EQ(w.globals.RunState, engine::kRunAbortRequested);
    EXPECT_EQ(w.exitCodes, std::vector<int>{0});
}

// An error reaching a window action is told in plain words (in the
// operator's language: what happened, the machine, what to do), with the
// number and description exactly under the details; the program ends with
// its log closed.
TEST(RunAction, ErrorsAreToldInPlainWordsWithTheExactMessageUnderDetailsThenTheProgramEnds) {
    struct Case {
        std::function<void()> raise;
        std::string details;
        std::string english, german;  // how the text starts
        text::ResourceId next;
    };
    const engine::LostMovesError lost(29, 2);
    const Case cases[] = {
        {[] { throw link::BoardLinkError(7, "ZentrovaCom.CharRead", "Error 7 reported by ZentrovaCom.CharRead"); },
         "Error " + std::to_string(static_cast<std::int32_t>(0x80047537u)) +
             "\r\nError 7 reported by ZentrovaCom.CharRead",
         "The connection to the controller was lost", "Die Verbindung zur Steuerung ist verloren", 1278},
        {[] { throw link::BoardLinkError(4, "ZentrovaCom.ReadToDone", "Failed to synchronize with board"); },
         "Error " + std::to_string(static_cast<std::int32_t>(0x80047534u)) + "\r\nFailed to synchronize with board",
         "The controller stopped answering", "Die Steuerung antwortet nicht mehr", 1275},
        {[&] { throw lost; }, "Error " + std::to_string(static_cast<std::int32_t>(0x8004753Au)) + "\r\n" + lost.Description(),
         "The controller lost 29 moves it had accepted", "Die Steuerung hat 29 angenommene Bewegungen verloren", 0},
        {[] { throw drivers::TypeMismatch(); }, "Error 13\r\nType mismatch", "The controller sent a value that is no number",
         "Die Steuerung hat einen Wert", 1277},
        {[] { throw drivers::ArithmeticOverflow(); }, "Error 6\r\nOverflow", "The controller sent a value far too large",
         "Die Steuerung hat einen viel", 1277},
    };
    for (const bool german : {false, true}) {
        for (const Case& c : cases) {
            UiWorld w;
            std::string language = PLYX3_EXAMPLES_DIR "/languages/german.lng";
            if (german) {
                ASSERT_EQ(text::LoadSelectedResourceFile(w.env, language), 0);
            }
            w.env.OpenProgramLog("w.log");
            RunAction(w.env, c.raise);
            ASSERT_EQ(w.dialogs.messages.size(), 1u);
            const std::string& text = w.dialogs.messages[0].text;
            EXPECT_EQ(w.dialogs.messages[0].details, c.details);
            EXPECT_EQ(text.rfind(german ? c.german : c.english, 0), 0u) << text;
            EXPECT_EQ(text.find('%'), std::string::npos) << text;
            for (text::ResourceId id : {c.next, text::ResourceId{1270}, text::ResourceId{1271}})
                EXPECT_TRUE(id == 0 || text.find(w.env.GetResourceText(id)) != std::string::npos) << id << ": " << text;
            EXPECT_EQ(w.exitCodes, (std::vector<int>{1}));
            std::string log = platform::ReadWholeFile(w.DataDirectory() + "/w.log").value_or("");
            std::erase(log, '\0');
            EXPECT_NE(log.find("--->" + c.details.substr(0, c.details.find('\r')) + ": "), std::string::npos);
            EXPECT_TRUE(log.ends_with(" EVENT:LOG FILE CLOSED")) << c.details;
        }
    }
}

// A failed log is reported once, by the outermost action (a run lets actions
// run inside its waits, which must not end the program mid-run), naming the
// file and the reason; while that message shows, no action runs.
TEST(RunAction, FailedLogIsReportedOnceByTheOutermostAction) {
    UiWorld w;
    bool laterRan = false;
    w.env.ExitHook = [&](int code) {
        w.exitCodes.push_back(code);
        RunAction(w.env, [&] { laterRan = true; });  // the main window's timer, say
    };
    RunAction(w.env, [&] {
        w.log.LogFileOpen("/dev/full");
        RunAction(w.env, [&] { EXPECT_TRUE(w.Messages().empty()); });
    });
    ASSERT_EQ(w.Messages().size(), 1u);
    EXPECT_EQ(w.Messages()[0].rfind("Cannot write the log file /dev/full: No space left on device\r\n", 0), 0u);
    EXPECT_EQ(w.exitCodes, (std::vector<int>{1}));
    EXPECT_FALSE(laterRan);
}

}  // namespace
}  // namespace plyx::ui::test
