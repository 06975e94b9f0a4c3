// The offer of a stopped run: what the window says of it, the layer chosen,
// the done part of the plan grey, the board's position and the positioning
// move; nothing moves until the operator starts it (its button or START on
// the panel); declined, refused or without a stopped run, no run starts.
// RESUME=L arms a resume that START runs, or says why not.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "engine/plan/Resume.h"
#include "platform/Files.h"
#include "tests/support/Csv.h"
#include "tests/ui/UiFixture.h"
#include "ui/ResourceText.h"
#include "ui/frmPreview.h"
#include "ui/frmResume.h"
#include "ui/frmRunStatus.h"

namespace plyx::ui::test {
namespace {

class ResumeWindowTest : public UiTest {
protected:
    // A full run, its journal then made that of a run stopped two moves into
    // layer 3 (aborted from the window), the head left there.
    void StopAtLayer3(bool boardKnowsPosition) {
        w.controller.reportsPosition = boardKnowsPosition;
        w.controller.x = w.controller.y = 0;
        Main();
        w.engine.StartRun(false);
        engine::JournalEntry j = *engine::RunJournal(engine::JournalPath(w.env)).Read();
        ASSERT_TRUE(j.Completed());
        const std::int64_t ran = engine::LayerStarts(engine::RecordRunPlan(w.env, w.params, 1, false))[2].move + 2;
        const engine::RunPlan plan =
            engine::RecordRunPlan(w.env, w.params, 1, false, {.windowFrom = ran, .windowTo = ran});
        head = plan.window.at(0);
        w.controller.x = static_cast<std::int32_t>(head.first);
        w.controller.y = static_cast<std::int32_t>(head.second);
        j.outcome = "aborted from the window";
        j.layerReached = 3;
        j.movesRun = ran;
        engine::RunJournal(engine::JournalPath(w.env)).Write(j);
        runsBefore = Rows().size();
    }
    std::pair<std::int64_t, std::int64_t> head;
    std::vector<std::vector<std::string>> Rows() {
        const auto text = platform::ReadWholeFile(w.runs.record.FilePath());
        return text ? plyx::test::ParseCsv(*text) : std::vector<std::vector<std::string>>{};
    }
    bool StoppedRunLeft() {
        const auto j = engine::RunJournal(engine::JournalPath(w.env)).Read();
        return j && j->Resumable();
    }
    QString Text(const frmResume& window, const char* name) { return CaptionOfChild(&window, name); }
    std::size_t runsBefore = 0;
};

TEST_F(ResumeWindowTest, ShowsTheStoppedRunAndResumesFromTheChosenLayer) {
    StopAtLayer3(true);
    const engine::RunPlan plan = engine::RecordRunPlan(w.env, w.params, 1, false);
    const std::vector<engine::LayerStart> starts = engine::LayerStarts(plan);
    bool shown = false;
    app.ExecResumeWindow = [&](frmResume& window) {
        shown = true;
        EXPECT_EQ(Text(window, "lblKind"), "Full run");
        EXPECT_TRUE(Text(window, "lblEnded").startsWith("Aborted from the window (")) << ToStdString(Text(window, "lblEnded"));
        EXPECT_TRUE(Text(window, "lblStood").startsWith("layer 3 of 6, ")) << ToStdString(Text(window, "lblStood"));
        const auto* layers = window.findChild<QComboBox*>("cboLayer");
        EXPECT_EQ(layers->count(), 3);  // the layer it stood in, or an earlier one
        EXPECT_EQ(window.Layer(), 3);
        EXPECT_EQ(Text(window, "lblHead"), QString("The board reports the head at X=%1, Y=%2.").arg(head.first).arg(head.second));
        EXPECT_EQ(Text(window, "lblLayerStart"), QString("Layer 3 starts at X=%1, Y=%2.").arg(starts[2].x).arg(starts[2].y));
        EXPECT_EQ(Text(window, "lblPositioning"), QString("Positioning move: X %1, Y %2 steps, at the start/stop rate.")
                                                      .arg(starts[2].x - head.first)
                                                      .arg(starts[2].y - head.second));
        EXPECT_FALSE(window.findChild<QCheckBox*>("chkHeadAtStart")->isVisibleTo(&window));
        EXPECT_TRUE(window.findChild<QPushButton*>("btnStart")->isEnabled());
        EXPECT_EQ(window.findChild<PlanDrawing*>()->DoneBefore(), 3);
        window.ChooseLayer(2);
        EXPECT_EQ(Text(window, "lblLayerStart"), QString("Layer 2 starts at X=%1, Y=%2.").arg(starts[1].x).arg(starts[1].y));
        EXPECT_EQ(window.findChild<PlanDrawing*>()->DoneBefore(), 2);
        EXPECT_TRUE(Rows().size() == runsBefore) << "nothing runs while the window is open";
        Click(&window, "btnStart");
        return window.result();
    };
    Click(app.MainWindow(), "mnuFileResume");
    ASSERT_TRUE(shown);
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), runsBefore + 1);
    EXPECT_EQ(rows.back()[5], "full resumed from layer 2");
    EXPECT_EQ(rows.back()[11], "completed");
    EXPECT_TRUE(CaptionOfChild(&app.RunStatus(), "lblRunState").endsWith("Resumed from layer 2"));
    EXPECT_FALSE(StoppedRunLeft());
}

// An untrusted position waits for the operator's word; changed parameters
// refuse even that; declining or closing runs nothing and keeps the run.
TEST_F(ResumeWindowTest, NothingMovesUntilTheOperatorMayAndDoesStart) {
    Main();
    Click(app.MainWindow(), "mnuFileResume");
    EXPECT_EQ(w.Messages().back(), "There is no stopped run on this port to resume.");

    StopAtLayer3(false);
    struct Case {
        const char* name;
        bool changeShell;
        bool confirm;
        bool startEnabled;
        const char* refusal;
    };
    const Case cases[] = {
        {"untrusted", false, false, false, ""},
        {"confirmed", false, true, true, ""},
        {"changed", true, true, false,
         "The shell's parameters have changed since the run stopped (MRC): a resume runs only on the values the run had."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int16_t mrc = w.params.cMRC;
        if (c.changeShell) w.params.cMRC = 5;
        app.ExecResumeWindow = [&](frmResume& window) {
            EXPECT_TRUE(window.findChild<QLabel*>("lblUntrusted")->isVisibleTo(&window));
            EXPECT_EQ(Text(window, "lblPositioning"), "No positioning move: the head stands at the layer's start.");
            EXPECT_FALSE(window.findChild<QPushButton*>("btnStart")->isEnabled());
            window.ConfirmHeadAtStart(c.confirm);
            EXPECT_EQ(window.findChild<QPushButton*>("btnStart")->isEnabled(), c.startEnabled);
            EXPECT_EQ(Text(window, "lblRefusal"), QString::fromUtf8(c.refusal));
            // START on the panel only starts what the button may.
            w.controller.switchInputs = 14;
            window.TimerEvent();
            w.controller.switchInputs = 15;
            EXPECT_EQ(window.result(), c.startEnabled ? QDialog::Accepted : QDialog::Rejected);
            if (c.startEnabled) Click(&window, "btnNotNow");  // declined after all
            return int{QDialog::Rejected};
        };
        Click(app.MainWindow(), "mnuFileResume");
        w.params.cMRC = mrc;
        EXPECT_EQ(Rows().size(), runsBefore);
        EXPECT_TRUE(StoppedRunLeft());
    }
}

// RESUME=L on the command line: armed (START on the panel runs it) or
// refused with the reason, and a full run when START finds nothing armed.
TEST_F(ResumeWindowTest, ResumeArgumentArmsWhatStartRuns) {
    struct Case {
        const char* argument;
        bool stopped, trusted;
        const char* notice;
        const char* kind;  // of the run START then starts
        bool changeShell = false;
    };
    const Case cases[] = {
        {"RESUME=2", true, true,
         "RESUME=2 refused: The shell's parameters have changed since the run stopped (TLC): a resume runs only on "
         "the values the run had.", "full", true},
        {"RESUME=2", true, true, "The resume from layer 2 is ready: START on the panel runs it.", "full resumed from layer 2"},
        {"RESUME=7", true, true, "RESUME=7 refused: Layer 7 is out of range: choose a layer from 1 to 6.", "full"},
        {"RESUME=x2", true, true, "RESUME=x2 refused: RESUME=x2 is no layer number.", "full"},
        {"RESUME=2", true, false,
         "RESUME=2 refused: The board's position cannot be trusted: it does not agree with where the run stopped.", "full"},
        {"RESUME=2", false, true, "RESUME=2 refused: There is no stopped run on this port to resume.", "full"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.argument) + (c.stopped ? "" : " none") + (c.trusted ? "" : " untrusted"));
        if (c.stopped) {
            StopAtLayer3(c.trusted);
        } else {
            engine::RunJournal(engine::JournalPath(w.env)).Remove();
            runsBefore = Rows().size();
        }
        const std::int16_t tlc = w.params.cTLC;
        if (c.changeShell) w.params.cTLC = 7;
        w.env.CommandLine = std::string("REQCOMPORT=3 ") + c.argument;
        app.StartupDone();
        EXPECT_EQ(CaptionOfChild(app.MainWindow(), "lblLastRun"), QString::fromUtf8(c.notice));
        EXPECT_EQ(Rows().size(), runsBefore) << "nothing runs before START";
        w.controller.switchInputs = 14;  // START, released once the run waits on the board
        w.controller.onWaitIdle = [&] { w.controller.switchInputs = 15; };
        app.MainWindow()->TimerEvent();
        w.controller.onWaitIdle = nullptr;
        w.controller.switchInputs = 15;
        w.params.cTLC = tlc;
        const auto rows = Rows();
        ASSERT_EQ(rows.size(), runsBefore + 1);
        EXPECT_EQ(rows.back()[5], c.kind);
    }
}

// After start-up without RESUME=, a stopped run is offered (declining keeps
// it); with none, nothing is shown.
TEST_F(ResumeWindowTest, StartUpOffersAStoppedRun) {
    int offers = 0;
    app.ExecResumeWindow = [&](frmResume&) {
        ++offers;
        return int{QDialog::Rejected};
    };
    Main();
    w.env.CommandLine = "REQCOMPORT=3";
    app.StartupDone();
    EXPECT_EQ(offers, 0);
    EXPECT_TRUE(w.Messages().empty());
    StopAtLayer3(true);
    app.StartupDone();
    EXPECT_EQ(offers, 1);
    EXPECT_TRUE(StoppedRunLeft());
    EXPECT_TRUE(app.MainWindow()->TimerRunning()) << "back in the main window, polling the panel";
}

}  // namespace
}  // namespace plyx::ui::test
