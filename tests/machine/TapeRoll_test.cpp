// The tape left on the roll: a run whose plan needs more is asked about
// before it starts, from the window's button and from START on the panel
// alike (both through the run confirmation); Cancel sends the board
// nothing. While the run goes the roll goes down with the tape the
// controller lays, and what is left is kept with the counters.
#include "engine/DisplayText.h"
#include "engine/machine/MachineKeeper.h"
#include "platform/Files.h"
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

struct RollCase {
    const char* name;
    double rollShare;  // of the plan's tape; 0: not tracked
    bool panel;        // START on the panel, else the window's button
    bool metres;
    platform::MessageResult answer;
    bool asked, runs;
};
void PrintTo(const RollCase& c, std::ostream* os) { *os << c.name; }

class TapeRollTest : public SimulatedRunTest, public ::testing::WithParamInterface<RollCase> {};

TEST_P(TapeRollTest, AskedBeforeARunThatNeedsMoreAndFollowsTheTapeLaid) {
    const RollCase c = GetParam();
    params.cTLC = 2;
    params.fDSU = c.metres ? 1 : 0;
    RunFollowers runs(*env, params, *engine);
    MachineKeeper machine(*env, params, *engine, runs);
    const RunPlan plan = RecordRunPlan(*env, params, kFamily4Axis, false);
    const double roll = c.rollShare * plan.tapeInches;
    ASSERT_TRUE(machine.SetRoll(roll));
    engine->SetRunConfirmation([&](bool burnish) {
        RunPlan planned;
        return ConfirmLargeRun(*env, params, burnish, &planned) && machine.ConfirmRoll(planned);
    });
    dialogs.answers = {c.answer};
    std::vector<double> left;
    script = [&](int) {
        ReleaseEverything();
        left.push_back(machine.Counters().rollInches);
    };
    if (c.panel) {
        board->Press(sim::Switch::Start);
        engine->CheckStartSwitches();
    } else {
        engine->StartRun(false);
    }
    engine->SetRunConfirmation(nullptr);

    ASSERT_EQ(dialogs.messages.size(), c.asked ? 1u : 0u);
    if (c.asked) {
        const double unit = c.metres ? 39.37 : 12.0;
        const std::string u = c.metres ? " m" : " ft";
        EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::OkCancel);
        EXPECT_EQ(dialogs.messages[0].text, "This run needs " + TapeLengthText(plan.tapeInches / unit) + u +
                                                " of tape, but the roll has only " + TapeLengthText(roll / unit) + u +
                                                " left. Press OK to start it anyway, Cancel to keep the machine standing.");
    }
    EXPECT_EQ(board->Moves().empty(), !c.runs);
    const MachineCounters now = machine.Counters();
    EXPECT_EQ(now.rollTracked, roll > 0);
    if (!c.runs) {
        EXPECT_FALSE(runs.record.LastRun());
        EXPECT_EQ(now.rollInches, roll);
        return;
    }
    ASSERT_TRUE(runs.record.LastRun());
    const double laid = runs.record.LastRun()->laidInches;
    ASSERT_GT(laid, plan.tapeInches / 2);
    if (roll > 0) {
        EXPECT_NEAR(now.rollInches, std::max(0.0, roll - laid), 1e-9);
        // Down as the controller lays it, never up.
        ASSERT_GE(left.size(), 3u);
        EXPECT_TRUE(std::is_sorted(left.rbegin(), left.rend()));
        EXPECT_LT(left.back(), left.front());
    }
    const std::optional<MachineFile> kept = ParseMachine(platform::ReadWholeFile(machine.FilePath()).value_or(""));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->done.rollInches, now.rollInches);
}

using Answer = platform::MessageResult;
INSTANTIATE_TEST_SUITE_P(
    Rolls, TapeRollTest,
    ::testing::Values(RollCase{"NotTracked", 0, false, false, Answer::Ok, false, true},
                      RollCase{"EnoughFromThePanel", 2.0, true, false, Answer::Ok, false, true},
                      RollCase{"ShortCancelledAtTheWindow", 0.5, false, false, Answer::Cancel, true, false},
                      RollCase{"ShortCancelledFromThePanelInMetres", 0.5, true, true, Answer::Cancel, true, false},
                      RollCase{"ShortStartedAnywayFromThePanel", 0.5, true, false, Answer::Ok, true, true}),
    [](const ::testing::TestParamInfo<RollCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace plyx::engine::test
