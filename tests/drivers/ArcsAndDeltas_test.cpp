// Delta moves, vector moves and arcs of the 4-axis driver, byte for byte.
#include <gtest/gtest.h>

#include "drivers/DriverNumbers.h"
#include "tests/drivers/DriverRig.h"

using plyx::drivers::ArithmeticOverflow;
using plyx::drivers::QM4DNCRouter;
using namespace plyx::test;

namespace {

using ArcsAndDeltas = RigTest;

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

}  // namespace

TEST_F(ArcsAndDeltas, TwoByteDeltaBelowType3) {
    rig.Identified("QM4DNCRouter", "4.71");
    router.SetAddressMode(true);  // a delta is relative whatever the mode
    // Flag bit, axis, then the low 12 bits of the delta.
    const struct {
        int delta, axis, high, low;
    } cases[] = {{100, 1, 0xA0, 0x64},   {-1, 2, 0xCF, 0xFF},  {-2048, 0, 0x88, 0x00},
                 {2047, 3, 0xE7, 0xFF}, {4096, 1, 0xA0, 0x00}};
    for (const auto& c : cases) {
        router.SetRequestedBinaryDeltaLocation(c.delta, c.axis);
        EXPECT_EQ(board.TakeWire(), Bytes({c.high, c.low})) << c.delta << " " << c.axis;
    }
    EXPECT_THROW(router.SetRequestedBinaryDeltaLocation(1, 262144), ArithmeticOverflow);
    EXPECT_EQ(board.TakeWire(), "");
}

TEST_F(ArcsAndDeltas, DeltaTextOnType3) {
    rig.Identified("QM4DNCRouter", "5.02");
    router.SetRequestedBinaryDeltaLocation(-25, 1);
    router.SetRequestedBinaryDeltaLocation(7, 0);
    router.SetRequestedBinaryDeltaLocation(8, 3);
    EXPECT_EQ(board.TakeWire(), "-25x7w8z");
    router.SetRequestedBinaryDeltaLocation(-25, 4);
    router.SetRequestedBinaryDeltaLocation(-25, -1);
    EXPECT_EQ(board.TakeWire(), "");
}

TEST_F(ArcsAndDeltas, FirstDeltaIdentifiesTheBoard) {
    board.Identify("QM4DNCRouter", "4.71");
    router.SetRequestedBinaryDeltaLocation(100, 1);
    EXPECT_EQ(board.TakeWire(), "-12?" + Bytes({0xA0, 0x64}));
}

TEST_F(ArcsAndDeltas, VectorMovesOnEveryType) {
    rig.Identified("QM4DNCRouter", "4.71");
    router.GoToCurrentRequestedLocationWithVectorLength(750);
    router.GoToLocation(1, 2, 3, 4);
    router.GoToLocationWithVectorLength(0, -5, 6, 0, 9);
    EXPECT_EQ(board.TakeWire(), "750G1W2X3Y4ZG0W-5X6Y0Z9G");
    router.StartMultiVectorSequence(12000);
    EXPECT_EQ(board.TakeWire(), "");
    rig.Identified("QM4DNCRouter", "5.02");
    router.GoToCurrentRequestedLocationWithVectorLength(750);
    router.StartMultiVectorSequence(12000);
    EXPECT_EQ(board.TakeWire(), "750G12000m");
}

TEST_F(ArcsAndDeltas, ArcBelowType3PreTestsAndSendsStopSteps) {
    rig.Identified("QM4DNCRouter", "4.71");
    board.On("h", {"I0*"});
    router.DrawArc(500, 9000, 100, 2);
    EXPECT_EQ(board.TakeWire(), "h9000B100C2D0c500A");
    router.DrawArc(500, -9000, 100, 2, 7);
    EXPECT_EQ(board.TakeWire(), "h-9000B100C2D7c500A");
    router.SetAutoWaitOnMotionComplete(true);  // then it waits after the arc too
    router.DrawArc(500, 9000, 100, 2);
    EXPECT_EQ(board.TakeWire(), "h9000B100C2D0c500Ah");
}

TEST_F(ArcsAndDeltas, ArcOnABusyControllerSendsNothingOfTheArc) {
    rig.Identified("QM4DNCRouter", "4.71");
    board.On("h", {"G3*"});
    auto e = CatchBoardError([&] { router.DrawArc(500, 9000, 100, 2); });
    EXPECT_EQ(e.SmallNumber(), 8);
    EXPECT_EQ(MessageOf(e), "Timed out on pre-testing for QM4DNCRouter ready for call from DrawArc");
    EXPECT_EQ(board.TakeWire(), "h");
}

TEST_F(ArcsAndDeltas, ArcOnType3HasNoPreTestAndNoStopSteps) {
    rig.Identified("QM4DNCRouter", "5.02");
    router.DrawArc(500, 9000, 100, 2, 7);
    EXPECT_EQ(board.TakeWire(), "9000B100C2D500A");
}

TEST_F(ArcsAndDeltas, ArcInDegreesOnType3Only) {
    rig.Identified("QM4DNCRouter", "5.02");
    router.DrawArcD(500, 90.0, 45.5, 200);
    EXPECT_EQ(board.TakeWire(), "90000000B45500000C200D500A");
    router.DrawArcD(1, 0.0000005, 0.0000015, 3);
    EXPECT_EQ(board.TakeWire(), "0B2C3D1A");
    router.DrawArcD(1, -0.0000025, 2147.0, 3);
    EXPECT_EQ(board.TakeWire(), "-2B2147000000C3D1A");
    EXPECT_THROW(router.DrawArcD(1, 0.0, 2147.5, 3), ArithmeticOverflow);
    EXPECT_THROW(router.DrawArcD(1, -2147.5, 0.0, 3), ArithmeticOverflow);
    EXPECT_EQ(board.TakeWire(), "");

    rig.Identified("QM4DNCRouter", "4.71");
    router.DrawArcD(500, 90.0, 45.5, 200);
    EXPECT_EQ(board.TakeWire(), "");
}
