// Whole runs on the recording fake controller: finishing files that cannot
// chain, refusals, and the displays that follow the controller.
#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>

#include "app/Numbers.h"
#include "app/ParameterFiles.h"
#include "engine/DisplayText.h"
#include "engine/plan/RunRecord.h"
#include "platform/Files.h"
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

using RunTest = EngineTest;

// Only a shell ending in .cfg chains its .fin file, and only one that can
// be read and run: otherwise the shell runs alone and stays loaded.
TEST_F(RunTest, FinishingFilesThatCannotChain) {
    dir.Write("b.fin", "TLC=1\r\n");
    dir.Write("c.cfg", "TLC=1\r\nMRC=1\r\n");
    ASSERT_EQ(::mkdir(dir.File("c.fin").c_str(), 0700), 0);  // exists, but no file to read
    dir.Write("d.cfg", "TLC=1\r\nMRC=1\r\nPD=10.59\r\n");
    dir.Write("d.fin", "PD=0\r\nTLC=1\r\nMRC=1\r\n");
    const std::pair<const char*, std::size_t> cases[] = {{"b.fin", 0}, {"c.cfg", 0}, {"d.cfg", 1}};
    for (auto [shell, messages] : cases) {
        params.cTLC = params.cMRC = 1;
        app::LoadParameterFile(*env, params, dir.File(shell));
        ctl.moves.clear();
        dialogs.messages.clear();
        engine->StartRun(false);
        EXPECT_EQ(dialogs.messages.size(), messages) << shell;
        EXPECT_EQ(ctl.moves.size(), 3u + 3u) << shell;  // the shell's pair (3 segments), the slow-down moves
        EXPECT_EQ(params.CurrentShellFile, dir.File(shell));
    }
    EXPECT_EQ(params.zPD, 10.59);
}

// Each refusal is a dictionary text, for a full run and a burnish pass;
// nothing is saved or moved.
TEST_F(RunTest, RefusalsAreDictionaryTexts) {
    using Set = void (*)(app::ParameterSet&);
    const std::pair<Set, const char*> cases[] = {
        {[](app::ParameterSet& p) { p.strModel.clear(); }, "(901:No PLYX3 Model is loaded"},
        {[](app::ParameterSet& p) { p.zPD = 0; }, "(902:The pole diameter (PD) is 0"},
        {[](app::ParameterSet& p) { p.fLayerPattern = 1, p.cTLC = p.cBLC = 100, p.cMRC = 328; },
         "(903:This shell alternates its layers with 32800 line pairs in one run; at most 32767 "},
    };
    tables.ShowResourceIDs = true;
    const app::ParameterSet saved = params;
    for (const auto& [set, shown] : cases) {
        for (bool burnish : {false, true}) {
            params = saved;
            set(params);
            dialogs.messages.clear();
            engine->StartRun(burnish);
            ASSERT_EQ(dialogs.messages.size(), 1u) << shown;
            EXPECT_EQ(dialogs.messages[0].text.rfind(shown, 0), 0u) << dialogs.messages[0].text;
            EXPECT_TRUE(ctl.moves.empty());
            EXPECT_FALSE(platform::FileExists(dir.path() + "/PLYX3/PLYX3.CFG"));
        }
    }
    // Its burnish pass of fewer layers, or one pair fewer per layer, may run.
    params.cBLC = 2;
    EXPECT_EQ(engine->RunRefusal(true), "");
    params.cMRC = 327;
    EXPECT_EQ(engine->RunRefusal(false), "");
}

TEST_F(RunTest, RingDisplayIndex) {
    ctl.capacity = 30;
    engine->ComputeRunConstants();
    engine->InitializeController();
    for (int i = 1; i <= 63; ++i) engine->InsertDistance(i * 1000.0 / 0.003925, 2);  // i * 1000 inches
    ASSERT_EQ(globals.Ring.idNextDistance, 2);
    globals.cQueInUse = 5;
    engine->UpdateQueueDisplays();
    EXPECT_TRUE(Logged("Extracting distance " + app::NumberText(globals.Ring.DistanceAt(58)) +
                       " from entry 58; idNextDistance = 2, cQueInUse = 5"));
    // Entry 58 was written by insert 59: 59000 inches in feet.
    EXPECT_EQ(status.stepTotal, TapeLengthText(59000 / 12.0));
    EXPECT_EQ(status.layerTotal, "2");
}

// The status window's progress and time left follow the controller, not
// the queue: a controller that holds three moves and runs at half the
// planned pace (the clock moves twice each move's estimate as it ends) is
// shown behind the queued tape and told about twice the plan's rest.
TEST_F(RunTest, ProgressAndTimeLeftFollowTheController) {
    params.cTLC = 2;
    RunRecord record(*env, params, globals);
    engine->AddRunWatcher(&record);
    std::size_t done = 0;
    ctl.onWaitIdle = [&](FakeController& c) -> std::optional<std::int32_t> {
        const RunPlan& plan = record.Plan();
        const std::size_t held = globals.RunState == kRunStopping ? 0 : 3;
        while (done + held < c.moves.size()) ++done;
        c.queueInUse = static_cast<std::int32_t>(c.moves.size() - done);
        // The displays count the move in progress as laid: the clock is at its end.
        if (done < plan.secondsAt.size() && c.queueInUse > 0) {
            const auto at = static_cast<std::int64_t>((globals.RunStartTime - clock.wallStart) * 1e9 +
                                                      2e9 * plan.secondsAt[done]);
            clock.ticks = std::max(clock.ticks, at);
        }
        return std::nullopt;
    };
    std::vector<double> progress, left, planLeft;
    bool lagSeen = false;
    double nextSample = 0.4;
    pump.onDispatch = [&](int) {
        const RunPlan& plan = record.Plan();
        const double laid = record.LaidInches();
        lagSeen = lagSeen || laid < globals.TotalQueuedDistance * engine->Geometry().zTapePerStep - 1e-9;
        if (record.Running() && nextSample < 1 && record.Progress() >= nextSample && plan.SecondsAtTape(laid) > 15) {
            progress.push_back(record.Progress());
            left.push_back(record.SecondsLeft());
            planLeft.push_back(plan.seconds - plan.SecondsAtTape(laid));
            nextSample += 0.2;
        }
    };
    engine->StartRun(false);
    engine->RemoveRunWatcher(&record);
    EXPECT_TRUE(lagSeen);
    ASSERT_GE(progress.size(), 2u);
    for (std::size_t i = 0; i < progress.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_LT(progress[i], 1.0);
        // The wall clock counts whole seconds.
        EXPECT_NEAR(left[i], 2 * planLeft[i], 0.1 * planLeft[i] + 2);
    }
    EXPECT_GT(record.Progress(), 0.99);
}

}  // namespace
}  // namespace plyx::engine::test
