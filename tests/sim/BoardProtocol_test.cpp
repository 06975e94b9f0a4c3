// The board engine's letters and replies for both families, identification
// and stored elements.
#include <gtest/gtest.h>

#include "BoardTestUtil.h"

namespace plyx::sim::test {
namespace {

TEST(BoardProtocol, EachFirmwareIdentifiesWithItsNameVersionAndFamily) {
    const struct {
        const char *name, *version, *family;
    } boards[] = {{"QM4DNCRouter", "2.14", "4axis"},       {"QM4DNCRouterVarn", "4.71", "4axis"},
                  {"QM4DFifoNCStepper", "5.02", "4axis"},  {"VT2D20NCRouterVarn", "1.07", "2axis"},
                  {"VT2D20NCRouter", "1.07", "2axis"},     {"dsLynNCRouter2D", "1.07", "2axis"}};
    for (const auto& c : boards) {
        auto b = MakeBoard(c.name, c.version);
        EXPECT_EQ(Say(*b, "{}-12?"), std::string("R,-12\r\n") + c.name + " " + c.version +
                                         "\r\nCopyright (C) Zentrova. All rights reserved.\r\n*");
        EXPECT_EQ(StateOf(*b, "family identifications"), std::string("family=") + c.family + " identifications=1");
    }
}

TEST(BoardProtocol, FourAxisAnswersEveryCommandAFlushDiscardsAndVerboseEchoes) {
    auto b = MakeBoard("QM4DNCRouter");
    // The blank of a motor selection is a command of its own; a trailing
    // parameter without its letter, and fillers, stay unanswered.
    Talk(*b, {{" ", "*"}, {"2M", "*"}, {"\r", "*"}, {"1200", ""}, {"R", "*"}, {"{}{}", ""}, {"5v", "*"}});
    EXPECT_EQ(StateOf(*b, "run_rate unknown"), "run_rate=1200 unknown=1");
    Talk(*b, {{"123~", "\r\n~"}, {"R", "*"}});  // the flush drops the half command
    EXPECT_EQ(b->State().runRate, 0);
    Talk(*b, {{"1V", "1V\r\n*"}, {"h", "h\r\nI30*"}, {"0V", "*"}, {"h", "I30*"}});
    // A report's value is the last field, after motor and item.
    Say(*b, "700K1234O");
    Talk(*b, {{" 2M-11?", "**X,-11,700\r\n*"}, {"-17?", "X,-17,1234\r\n*"}, {" 4M-1?", "**Y,-1,0\r\n*"}});
    // Extended firmware answers its own items; -11 is the encoder location there.
    auto ext = MakeBoard("QM4DNCRouter", "5.02");
    Say(*ext, "77O700K-25xG");
    ext->Advance(0);
    Talk(*ext, {{"8?", "X,8,77\r\n*"}, {"-15?", "X,-15,50000\r\n*"}, {"-11?", "X,-11,-25\r\n*"}});
    EXPECT_EQ(Say(*MakeBoard("QM4DFifoNCStepper", "4.71"), "-20?"), "X,-20,40000\r\n*");
}

TEST(BoardProtocol, TwoAxisLettersMotorMaskCoordinatesArcsAndNoBinaryDeltas) {
    auto b = MakeBoard("VT2D20NCRouter");
    Talk(*b, {{"2B", "*"}, {"-1?", "Y,-1,0\r\n*"}, {"1B-1?", "*X,-1,0\r\n*"}, {"2B16!", "**"}, {"-1?", "X,-1,0\r\n*"}});
    Talk(*b, {{"0S90000000d50c", "***"}, {"300A", "G29*"}, {Bytes({0xA0, 0x64}), "*"}, {"G", "G29*"}});
    b->Advance(0);  // 0x64 is "d": an arc angle of 0, and the go has no steps
    EXPECT_EQ(MovesOf(b->Moves()), "arc x=-300 y=300 @1000;line @1000;");
    auto ds = MakeBoard("dsLynNCRouter2D");
    EXPECT_EQ(Say(*ds, "10X20Y="), "**I30*");  // a queued command
    EXPECT_EQ(StateOf(*ds, "x y"), "x=10 y=20");
}

TEST(BoardProtocol, FourAxisMovesFromBinaryDeltasTextLocationsAndArcs) {
    auto b = MakeBoard("QM4DNCRouter");
    Say(*b, "-2737R");
    // The low byte is data, even when it looks like "*" (0x2A) or "~" (0x7E).
    Talk(*b, {{Bytes({0xA0, 0x2A}), "*"}, {Bytes({0xCF, 0xFF}), "*"}, {Bytes({0x88, 0x00}), "*"},
              {Bytes({0xE7, 0xFF}), "*"}, {"G", "G29*"}, {Bytes({0xC0, 0x7E}), "*"}, {"G", "G29*"}});
    // A go uses up the deltas; the next is measured from the plan, not the position.
    EXPECT_EQ(MovesOf(b->Moves()), "line x=42 y=-1 z=2047 w=-2048 @-2737;line y=126 @-2737;");
    b->Advance(0);
    EXPECT_EQ(b->State().position[kY], 125);
    auto ext = MakeBoard("QM4DNCRouter", "5.02");
    Say(*ext, "500X-25yG400X10yG");  // absolute X, relative y, at the power-up rate
    Say(*ext, "90000000B-180000000C200D500A");  // micro-degree arc angles
    ext->Advance(0);
    EXPECT_EQ(MovesOf(ext->Moves()), "line x=500 y=-25 @1000;line x=-100 y=10 @1000;arc y=-1000 @1000;");
    EXPECT_EQ(StateOf(*ext, "x y"), "x=400 y=-1015");
    Say(*ext, "0X0Y=");  // "=" makes the requested location the present one
    EXPECT_EQ(StateOf(*ext, "x y"), "x=0 y=0");
    // Old firmware's arc angles are steps of hundredths: 100 of 90 from 0 is a quarter circle.
    auto old = MakeBoard("QM4DNCRouter", "4.71");
    Talk(*old, {{"0B", "*"}, {"100C90D0c", "***"}, {"1000A", "G29*"}});
    EXPECT_EQ(MovesOf(old->Moves()), "arc x=-1000 y=1000 @1000;");
}

TEST(BoardProtocol, EepromElementsAreWrittenInTwoStepsAndSavedPolaritiesComeBackAfterReset) {
    auto b = MakeBoard("QM4DNCRouter", "5.02");
    Talk(*b, {{"65539e42e", "**"}, {"16387?", "X,16387,42\r\n*"}, {"987654321e", "*"}, {"16387?", "X,16387,0\r\n*"}});
    b = MakeBoard("QM4DNCRouter");
    Talk(*b, {{"8O123456789e73O", "***"}, {"-17?", "X,-17,73\r\n*"}, {"0!", "*"}, {"-17?", "X,-17,8\r\n*"}});
}

TEST(BoardProtocol, ArbitraryBytesNeverBreakTheEngine) {
    auto b = MakeBoard("QM4DNCRouter", "5.02", 0.5);
    std::string junk;
    for (uint32_t i = 0, x = 12345; i < 20000; ++i)
        junk.push_back(static_cast<char>((x = x * 1103515245 + 12345) >> 16));
    b->Receive(junk);
    b->Advance(1e6);
    b->Receive("  ");  // the first may complete a half delta
    b->TakeReplies();
    Talk(*b, {{"!", "*"}, {"h", "I30*"}});
}

}  // namespace
}  // namespace plyx::sim::test
