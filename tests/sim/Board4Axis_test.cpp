// Identification of every firmware name; the 4-axis family's letters and
// replies.
#include <gtest/gtest.h>

#include "BoardTestUtil.h"

namespace plyx::sim::test {
namespace {

TEST(BoardIdentification, ReplyHasMarkerNameVersionCopyrightAndEndMark) {
    const struct {
        const char* name;
        const char* version;
        Family family;
    } boards[] = {
        {"QM4DNCRouter", "2.14", Family::FourAxis},       {"QM4DNCRouterVarn", "4.71", Family::FourAxis},
        {"QM4DFifoNCStepper", "5.02", Family::FourAxis},  {"VT2D20NCRouterVarn", "1.07", Family::TwoAxis},
        {"VT2D20NCRouter", "1.07", Family::TwoAxis},      {"dsLynNCRouter2D", "1.07", Family::TwoAxis},
    };
    for (const auto& c : boards) {
        SCOPED_TRACE(c.name);
        auto b = MakeBoard(c.name, c.version);
        EXPECT_EQ(b->State().family, c.family);
        EXPECT_EQ(Say(*b, "{}-12?"), std::string("R,-12\r\n") + c.name + " " + c.version +
                                         "\r\nCopyright (C) Zentrova. All rights reserved.\r\n*");
        EXPECT_EQ(b->State().counters.identifications, 1u);
    }
}

TEST(Board4AxisFraming, EveryCommandIsAnsweredAFlushDiscardsAndVerboseEchoes) {
    auto b = MakeBoard("QM4DNCRouter");
    // The blank of a motor selection is a command of its own; a trailing
    // parameter without its letter, and fillers, stay unanswered.
    Talk(*b, {{" ", "*"}, {"2M", "*"}, {"\r", "*"}, {"1200", ""}, {"R", "*"}, {"{}{}", ""}, {"5v", "*"}});
    EXPECT_EQ(b->State().runRate, 1200);
    EXPECT_EQ(b->State().counters.unknownCommands, 1u);
    // The flush character drops a half command and reports a tilde.
    Talk(*b, {{"123~", "\r\n~"}, {"R", "*"}});
    EXPECT_EQ(b->State().runRate, 0);
    Talk(*b, {{"1V", "1V\r\n*"}, {"h", "h\r\nI30*"}, {"0V", "*"}, {"h", "I30*"}});
}

TEST(Board4AxisReports, ValueIsTheLastFieldAfterMotorAndItem) {
    auto b = MakeBoard("QM4DNCRouter");
    Say(*b, "700K1234O");
    Talk(*b, {{" 2M-11?", "**X,-11,700\r\n*"}, {"-17?", "X,-17,1234\r\n*"}, {" 4M-1?", "**Y,-1,0\r\n*"}});
}

TEST(Board4AxisReports, ExtendedFirmwareAnswersItsOwnItems) {
    auto b = MakeBoard("QM4DNCRouter", "5.02");
    Say(*b, "77O");
    Talk(*b, {{"8?", "X,8,77\r\n*"}, {"-15?", "X,-15,50000\r\n*"}});
    // On this firmware -11 is the encoder location, not the stop-OK rate.
    Say(*b, "700K-25xG");
    b->Advance(0);
    EXPECT_EQ(Say(*b, "-11?"), "X,-11,-25\r\n*");
    // The FIFO firmware reports its maximum rate.
    EXPECT_EQ(Say(*MakeBoard("QM4DFifoNCStepper", "4.71"), "-20?"), "X,-20,40000\r\n*");
}

TEST(Board4AxisMoves, BinaryDeltasSetRelativeTargetsForTheNextGo) {
    auto b = MakeBoard("QM4DNCRouter");
    Say(*b, "-2737R");
    // The low byte is data, even when it looks like "*" (0x2A) or "~" (0x7E).
    Talk(*b, {{Bytes({0xA0, 0x2A}), "*"}, {Bytes({0xCF, 0xFF}), "*"}, {Bytes({0x88, 0x00}), "*"},
              {Bytes({0xE7, 0xFF}), "*"}, {"G", "G29*"}, {Bytes({0xC0, 0x7E}), "*"}, {"G", "G29*"}});
    // A Go uses up the deltas.
    EXPECT_EQ(MovesOf(b->Moves()), "line x=42 y=-1 z=2047 w=-2048 @-2737;line y=126 @-2737;");
    b->Advance(0);
    EXPECT_EQ(b->State().position[kY], 125);
}

TEST(Board4AxisMoves, TextLocationsAbsoluteAndRelative) {
    auto b = MakeBoard("QM4DNCRouter", "5.02");
    Say(*b, "500X-25yG");  // at the power-up rate of 1000
    b->Advance(0);
    Say(*b, "400X10yG");  // absolute 400 from 500
    b->Advance(0);
    EXPECT_EQ(MovesOf(b->Moves()), "line x=500 y=-25 @1000;line x=-100 y=10 @1000;");
    EXPECT_EQ(b->State().position[kY], -15);
    // "=" makes the requested location the present one.
    Say(*b, "0X0Y=");
    EXPECT_EQ(b->State().position[kX], 0);
    EXPECT_EQ(b->State().position[kY], 0);
}

TEST(Board4AxisMoves, QueuedCommandsAnswerWithTheState) {
    auto b = MakeBoard("QM4DNCRouter", "5.02", 1.0);
    Say(*b, "100R");
    // A queued output change takes a place too.
    Talk(*b, {{"100x750G", "*G29*"}, {"12000m", "G29*"}, {"-5E", "G28*"}, {"-2500p", "G27*"}, {"300k", "G27*"}});
    EXPECT_EQ(b->State().runRate, 300);
}

TEST(Board4AxisMoves, ArcAnglesAreDegroidStepsOnOldAndMicroDegreesOnExtendedFirmware) {
    auto b = MakeBoard("QM4DNCRouter", "4.71");
    // Begin at 0 degrees, 100 steps of 90 hundredths: a quarter circle.
    EXPECT_EQ(Say(*b, "0B"), "*");
    Say(*b, "100C90D0c");
    EXPECT_EQ(Say(*b, "1000A"), "G29*");
    EXPECT_EQ(MovesOf(b->Moves()), "arc x=-1000 y=1000 @1000;");
    auto ext = MakeBoard("QM4DNCRouter", "5.02");
    Say(*ext, "90000000B-180000000C200D500A");
    EXPECT_EQ(MovesOf(ext->Moves()), "arc y=-1000 @1000;");
}

TEST(Board4AxisEeprom, ElementsAreWrittenInTwoStepsAndSavedPolaritiesComeBackAfterReset) {
    auto b = MakeBoard("QM4DNCRouter", "5.02");
    Say(*b, "65539e42e");
    EXPECT_EQ(Say(*b, "16387?"), "X,16387,42\r\n*");
    Say(*b, "987654321e");
    EXPECT_EQ(Say(*b, "16387?"), "X,16387,0\r\n*");
    b = MakeBoard("QM4DNCRouter");
    Say(*b, "8O123456789e73O");
    EXPECT_EQ(Say(*b, "-17?"), "X,-17,73\r\n*");
    Say(*b, "0!");
    EXPECT_EQ(Say(*b, "-17?"), "X,-17,8\r\n*");
}

}  // namespace
}  // namespace plyx::sim::test
