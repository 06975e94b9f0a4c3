// The family-neutral operations on the 2-axis controller, as bytes on the
// wire of a scripted 2-axis board.
#include "engine/Controller2Axis.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/TwoAxisBoard.h"

namespace plyx::engine {
namespace {

using plyx::test::TwoAxisBoard;

class Controller2AxisTest : public ::testing::Test, protected plyx::test::TwoAxisBoardLink {
protected:
    Controller2AxisTest() { ctl->SetAutoWait(false); }
    app::ParameterSet params;
    std::unique_ptr<Controller2Axis> ctl = std::make_unique<Controller2Axis>(*link, params);
};

TEST_F(Controller2AxisTest, ResetSetsMicrostepSizeAndMotorCurrent) {
    params.cMSPS = 12;
    params.cMotorCurrentMA = 1250;
    ctl->ResetController();
    EXPECT_EQ(params.cMSPS, 8);
    EXPECT_EQ(Sent(), "2!-12?3B1250H");
    // The reset forgets the selection, so every reset selects again.
    ctl->ResetController();
    EXPECT_EQ(Sent(), "2!-12?3B1250H");
    // A board of the other current scale takes tens of milliamperes.
    Edit([](TwoAxisBoard& b) { b.firmware = "dsLynNCRouter2D 1.07"; });
    params.cMotorCurrentMA = 500;
    ctl->ResetController();
    EXPECT_EQ(Sent(), "2!-12?3B50H");
}

// Powers of two from 1 to 16, rounded down, and sent as 16 divided by them.
TEST_F(Controller2AxisTest, MicrostepSizePerSetting) {
    const struct {
        std::int16_t msps;
        const char* sent;
    } cases[] = {{16, "1!"}, {40, "1!"}, {7, "4!"}, {3, "8!"}, {1, "16!"}, {0, "16!"}, {-5, "16!"}};
    for (const auto& c : cases) {
        params.cMSPS = c.msps;
        ctl->ResetController();
        EXPECT_EQ(Sent().substr(0, std::string(c.sent).size()), c.sent) << c.msps;
    }
}

TEST_F(Controller2AxisTest, LampsAreRelayWords) {
    for (std::int32_t bits : {0, 1, 2, 4, 8, 16, 31}) ctl->SetLamps(bits);
    EXPECT_EQ(Sent(), "0D16384D8192D32768D2048D1024D60416D");
}

TEST_F(Controller2AxisTest, PortDirectionsAndPolarities) {
    ctl->SetPortDirections();
    ctl->SetControllerPulsePolarities(0x41);
    EXPECT_EQ(ctl->ReadPulsePolarityWord(), 0);
    EXPECT_EQ(Sent(), "24576t");
}

TEST_F(Controller2AxisTest, InputsAreMappedToTheEnginesBits) {
    Edit([](TwoAxisBoard& b) {
        b.items["5"] = "5";
        b.items["6"] = "250";
        b.latched = "48";
    });
    EXPECT_EQ(ctl->ReadLimitSwitches(), 0xF5);
    EXPECT_EQ(ctl->ReadSwitchInputs(), 10);
    EXPECT_EQ(ctl->ReadLatchedData(), 1023);
    Edit([](TwoAxisBoard& b) { b.latched = "15"; });
    EXPECT_EQ(ctl->ReadLatchedData(), 0);
    EXPECT_EQ(Sent(), "1B5?6?LL");
}

TEST_F(Controller2AxisTest, DeltasAreRelativeLocations) {
    ctl->SetControllerAddressMode(false);
    ctl->SetRequestedDelta(1626, 1);
    ctl->SetRequestedDelta(-1626, 2);
    ctl->SetRequestedDelta(7, 0);
    ctl->GoToRequested();
    EXPECT_EQ(Sent(), "1626x-1626y7yG");
    ctl->SetControllerAddressMode(true);
    ctl->SetRequestedDelta(5, 1);
    EXPECT_EQ(Sent(), "5X");
}

TEST_F(Controller2AxisTest, RatesRunStateAndSelection) {
    ctl->SetControllerRunRate(-2737);
    ctl->SetControllerStopOKRate(80);
    ctl->SetControllerRampRate(8000);
    ctl->PauseController();
    ctl->ResumeController();
    ctl->StopController();
    ctl->SelectControllerMotor("X");
    EXPECT_EQ(Sent(), "-2737R80K8000PqrQ1B");
}

TEST_F(Controller2AxisTest, WaitIdleAndQueueFree) {
    Edit([](TwoAxisBoard& b) { b.idleReplies = {"G7*"}; });
    EXPECT_EQ(ctl->WaitIdle(250), 1);
    EXPECT_EQ(ctl->GetQueueFree(), 7);
    EXPECT_EQ(Sent(), "h");
}

TEST_F(Controller2AxisTest, IdentifyAsksForTheBoardsText) {
    ctl->Identify();
    EXPECT_EQ(Sent(), "-12?");
    EXPECT_EQ(ctl->Driver().BoardType(), 2);
}

TEST_F(Controller2AxisTest, DriverErrorsPassThrough) {
    EXPECT_THROW(ctl->SelectControllerMotor("Z"), link::BoardLinkError);
}

}  // namespace
}  // namespace plyx::engine
