#pragma once
// The program's objects for the windows: the real environment, tables and run
// engine on a fake clock, fake dialogs, a fake controller with its switches
// open, and a temporary data folder.
#include <gtest/gtest.h>

#include <QString>
#include <functional>

#include "app/Environment.h"
#include "engine/IdleController.h"
#include "engine/RunEngine.h"
#include "engine/plan/RunFollowers.h"
#include "link/CommLog.h"
#include "platform/Dialogs.h"
#include "platform/FakeClock.h"
#include "platform/qt/QtEventPump.h"
#include "tests/support/TempDir.h"
#include "ui/Application.h"
#include "ui/frmMain.h"

namespace plyx::ui::test {

class FakeController final : public engine::IdleController {
public:
    std::vector<std::int32_t> lamps;
    int resumes = 0, switchReads = 0, resets = 0;
    std::function<void()> onWaitIdle, onReadSwitches;

    // Every move runs at once: the head is where the moves took it.
    void GoToRequested() override {
        x += dx_;
        y += dy_;
    }
    void SetRequestedDelta(std::int32_t steps, std::int32_t motor) override { (motor == 1 ? dx_ : dy_) = steps; }
    std::int32_t WaitIdle(std::int32_t) override {
        if (onWaitIdle) onWaitIdle();
        return 0;
    }
    void ResumeController() override { ++resumes; }
    void ResetController() override { ++resets; }
    std::int32_t ReadSwitchInputs() override {
        ++switchReads;
        if (onReadSwitches) onReadSwitches();
        return switchInputs;
    }
    void SetLamps(std::int32_t bits) override { lamps.push_back(bits); }
    std::int32_t ReportCurrentX() override { return x; }
    std::int32_t ReportCurrentY() override { return y; }
    bool ReportsPosition() const override { return reportsPosition; }

    std::int32_t switchInputs = 15;  // active low: all open
    // A controller without a board behind it unless a test gives it a place.
    bool reportsPosition = false;
    std::int32_t x = 0, y = 0;

private:
    std::int32_t dx_ = 0, dy_ = 0;
};

class UiWorld {
public:
    UiWorld();
    ~UiWorld() { engine.SetViews({}); }

    plyx::test::TempDir documents;
    platform::FakeClock clock;
    link::CommLog log{clock};
    text::TextTables tables;
    platform::FakeDialogs dialogs;
    app::Environment env{log, dialogs, clock, tables};
    app::ParameterSet params;
    engine::RunGlobals globals;
    platform::QtEventPump pump;
    engine::RunEngine engine{env, params, globals, pump};
    FakeController controller;
    UiContext ctx{env, params, engine};
    engine::RunFollowers runs{env, params, engine};
    std::vector<int> exitCodes;  // ExitProgram calls

    std::string DataDirectory() { return env.GetDataDirectory(); }
    std::vector<std::string> Messages() const;  // texts of the message boxes so far
};

class UiTest : public ::testing::Test {
protected:
    UiWorld w;
    Application app{w.ctx, w.runs};
    // The main window, shown with its timer running.
    frmMain& Main() {
        frmMain& main = app.LoadMainWindow();
        w.engine.ReturnToMainWindow();
        return main;
    }
};

// The caption (text or title) of root's child named name.
QString CaptionOfChild(const QObject* root, const char* name);
// Clicks the button, or triggers the action, that is root's child named name.
void Click(const QObject* root, const char* name);

}  // namespace plyx::ui::test
