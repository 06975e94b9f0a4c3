// The 2-axis family's letters and replies.
#include <gtest/gtest.h>

#include "BoardTestUtil.h"

namespace plyx::sim::test {
namespace {

TEST(Board2AxisSelection, MotorMaskUsesLetterBWithoutBlankAndResetForgetsIt) {
    auto b = MakeBoard("VT2D20NCRouter");
    Talk(*b, {{"2B", "*"}, {"-1?", "Y,-1,0\r\n*"}, {"1B-1?", "*X,-1,0\r\n*"}, {"2B16!", "**"}, {"-1?", "X,-1,0\r\n*"}});
}

TEST(Board2AxisMoves, SetCoordinatesIsAQueuedCommand) {
    auto b = MakeBoard("dsLynNCRouter2D");
    EXPECT_EQ(Say(*b, "10X20Y="), "**I30*");
    EXPECT_EQ(b->State().position[kX], 10);
    EXPECT_EQ(b->State().position[kY], 20);
}

TEST(Board2AxisMoves, ArcFromBeginAndDeltaAngles) {
    auto b = MakeBoard("VT2D20NCRouter");
    Say(*b, "0S90000000d50c");
    EXPECT_EQ(Say(*b, "300A"), "G29*");
    EXPECT_EQ(MovesOf(b->Moves()), "arc x=-300 y=300 @1000;");
}

TEST(Board2AxisFraming, NoBinaryDeltaOnThisFamily) {
    auto b = MakeBoard("VT2D20NCRouter");
    EXPECT_EQ(Say(*b, Bytes({0xA0, 0x64})), "*");  // 0x64 is "d": an arc angle of 0
    Say(*b, "G");
    EXPECT_EQ(MovesOf(b->Moves()), "line @1000;");  // no steps
}

}  // namespace
}  // namespace plyx::sim::test
