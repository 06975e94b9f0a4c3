// The 2-axis controller's reset and inputs as bytes on the wire of a scripted
// board (its moves, lamps and waits run in whole runs on the simulated one).
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

// Every reset selects, sets microsteps (powers of two, 1 to 16, rounded down,
// sent as 16 divided by them) and the current (tens of mA on the other scale).
TEST_F(Controller2AxisTest, ResetSetsMicrostepSizeAndMotorCurrent) {
    const struct { std::int16_t msps, mspsAfter; const char *firmware, *sent; } cases[] = {{12, 8, nullptr, "2!-12?3B1250H"}, {12, 8, nullptr, "2!-12?3B1250H"},
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
    EXPECT_THROW(ctl->SelectControllerMotor("Z"), link::BoardLinkError);
}

}  // namespace
}  // namespace plyx::engine
