// Faults during a run on the 2-axis family: the same board link below a
// text-command driver. The board falling silent or being unplugged ends the
// run with the link's error, in time, with the log and settings file whole.
#include "engine/Controller2Axis.h"
#include "tests/faults/RunFaultFixture.h"

namespace plyx::engine::test {
namespace {

class TwoAxisRunFault : public RunFaultTest {
protected:
    void SetUp() override {
        params.cTLC = 1;
        params.cMRC = 2;
        params.cMSPS = 8;  // what this family runs with: the settings file keeps it
        env->ControllerFamily = kFamily2Axis;
        sim::SimOptions options;
        options.firmwareName = "VT2D20NCRouter";
        options.versionText = "3.02";
        StartBoard(options);
        ASSERT_NE(dynamic_cast<Controller2Axis*>(engine->CurrentController()), nullptr);
        KeepSettingsBytes();
    }
};

// Silent mid-run: a reply that never comes ends the run with the link's
// error 4 "Failed to synchronize with board" within the reply limit.
TEST_F(TwoAxisRunFault, BoardSilentMidRun) {
    script = [&](int n) {
        if (n == 3) board->SetSilent(true);
    };
    RunOutcome out = Run();
    EXPECT_GT(board->Moves().size(), 0u);  // the fault came mid-run
    ASSERT_TRUE(out.error) << out.otherError;
    EXPECT_EQ(out.Number(), 4);
    EXPECT_EQ(out.Line(0), "Error 4 reported by ZentrovaCom.ReadToDone");
    EXPECT_EQ(out.Line(1), "Failed to synchronize with board");
    EXPECT_LT(out.ms, 5000);
    const std::string text = WorkLog();
    const std::size_t error = text.find("Error 4 reported by ZentrovaCom.ReadToDone");
    ASSERT_NE(error, std::string::npos);
    EXPECT_NE(LastBefore(text, " QUEUED:", error), std::string::npos);
    EXPECT_NE(LastBefore(text, " RCVD:", error), std::string::npos);
    ExpectSettingsIntact();
}

// Unplugged mid-run: error 7 at once, never a wait for a reply limit.
TEST_F(TwoAxisRunFault, UnpluggedMidRun) {
    script = [&](int n) {
        if (n == 3) board->Unplug();
    };
    RunOutcome out = Run();
    EXPECT_GT(board->Moves().size(), 0u);  // the fault came mid-run
    ASSERT_TRUE(out.error) << out.otherError;
    EXPECT_EQ(out.Number(), 7);
    EXPECT_EQ(out.Line(0), "Error 7 reported by " + out.error->Source());
    RecordProperty("source", out.error->Source());
    EXPECT_LT(out.ms, 2000);
    const std::string text = WorkLog();
    const std::size_t error = text.find("Error 7 reported by ");
    ASSERT_NE(error, std::string::npos);
    EXPECT_NE(LastBefore(text, " QUEUED:", error), std::string::npos);
    ExpectSettingsIntact();
}

}  // namespace
}  // namespace plyx::engine::test
