// The family-neutral operations on the 2-axis controller, as bytes on the
// wire of a scripted 2-axis board.
#include "engine/Controller2Axis.h"

#include <gtest/gtest.h>

#include <functional>
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

// Every reset selects again (the reset forgets the selection), sets the
// microstep size (powers of two from 1 to 16, rounded down, sent as 16
// divided by them) and the motor current, in tens of milliamperes on the
// other current scale.
TEST_F(Controller2AxisTest, ResetSetsMicrostepSizeAndMotorCurrent) {
    const struct {
        std::int16_t msps, mspsAfter;
        const char* firmware;
        const char* sent;
    } cases[] = {{12, 8, nullptr, "2!-12?3B1250H"}, {12, 8, nullptr, "2!-12?3B1250H"},
                 {16, 16, nullptr, "1!-12?3B1250H"}, {40, 16, nullptr, "1!-12?3B1250H"},
                 {7, 4, nullptr, "4!-12?3B1250H"},   {3, 2, nullptr, "8!-12?3B1250H"},
                 {0, 1, nullptr, "16!-12?3B1250H"},  {-5, 1, nullptr, "16!-12?3B1250H"},
                 {1, 1, "dsLynNCRouter2D 1.07", "16!-12?3B50H"}};
    for (const auto& c : cases) {
        if (c.firmware) Edit([&](TwoAxisBoard& b) { b.firmware = c.firmware; });
        params.cMSPS = c.msps;
        params.cMotorCurrentMA = c.firmware ? 500 : 1250;
        ctl->ResetController();
        EXPECT_EQ(Sent(), c.sent) << c.msps;
        EXPECT_EQ(params.cMSPS, c.mspsAfter) << c.msps;
    }
}

TEST_F(Controller2AxisTest, OperationsAsBoardCommands) {
    Edit([](TwoAxisBoard& b) {
        b.items["5"] = "5";
        b.items["6"] = "250";
        b.latched = "48";
        b.idleReplies = {"G7*"};
    });
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { for (std::int32_t bits : {0, 1, 2, 4, 8, 16, 31}) ctl->SetLamps(bits); },
         "0D16384D8192D32768D2048D1024D60416D"},
        {[&] {
             ctl->SetPortDirections();
             ctl->SetControllerPulsePolarities(0x41);
             EXPECT_EQ(ctl->ReadPulsePolarityWord(), 0);
         },
         "24576t"},
        {[&] {
             EXPECT_EQ(ctl->ReadLimitSwitches(), 0xF5);
             EXPECT_EQ(ctl->ReadSwitchInputs(), 10);
             EXPECT_EQ(ctl->ReadLatchedData(), 1023);
         },
         "1B5?6?L"},
        {[&] {
             ctl->SetControllerAddressMode(false);
             ctl->SetRequestedDelta(1626, 1);
             ctl->SetRequestedDelta(-1626, 2);
             ctl->SetRequestedDelta(7, 0);
             ctl->GoToRequested();
             ctl->SetControllerAddressMode(true);
             ctl->SetRequestedDelta(5, 1);
         },
         "1626x-1626y7yG5X"},
        {[&] {
             ctl->SetControllerRunRate(-2737);
             ctl->SetControllerStopOKRate(80);
             ctl->SetControllerRampRate(8000);
             ctl->PauseController();
             ctl->ResumeController();
             ctl->StopController();
         },
         "-2737R80K8000PqrQ"},
        {[&] {
             EXPECT_EQ(ctl->WaitIdle(250), 1);
             EXPECT_EQ(ctl->GetQueueFree(), 7);
         },
         "h"},
    };
    for (const auto& [operation, sent] : cases) {
        operation();
        EXPECT_EQ(Sent(), sent);
    }
    Edit([](TwoAxisBoard& b) { b.latched = "15"; });
    EXPECT_EQ(ctl->ReadLatchedData(), 0);
    EXPECT_THROW(ctl->SelectControllerMotor("Z"), link::BoardLinkError);
}

}  // namespace
}  // namespace plyx::engine
