// Reading the controller's state reply, its repairs for older firmware, and
// the number conversions the drivers share. (Each state letter's result is
// checked on the wire in NCRouter2DWait_test.)
#include "drivers/WaitReply.h"

#include <gtest/gtest.h>

#include "drivers/DriverNumbers.h"

using namespace plyx::drivers;

namespace {

WaitReply Parse(const std::string& raw) { return ParseWaitReply(PackReply(raw)); }

}  // namespace

TEST(WaitReply, LineEndsAndStarsAreIgnored) {
    WaitReply r = Parse("\r\nG\r12\n*");
    EXPECT_EQ(r.lWaitType, kWaitMoving);
    EXPECT_EQ(r.lQueueCount, 12);
    EXPECT_EQ(PackReply("h\r\nI3*\r\n"), "hI3*");
    for (const char* empty : {"*", "\r\n*", ""}) EXPECT_EQ(Parse(empty).lWaitType, kWaitEmpty) << empty;
}

TEST(WaitReply, UnknownFirstCharacterIsNoStateAndClearsCount) {
    WaitReply r = Parse("X5*");
    EXPECT_EQ(r.lWaitType, kWaitNotState);
    EXPECT_EQ(r.lQueueCount, 0);
    // Letters are compared exactly: a lower-case letter is no state.
    EXPECT_EQ(Parse("g3*").lWaitType, kWaitNotState);
    // A garbled reply with a huge number is a sync failure, not an overflow.
    EXPECT_EQ(Parse("X99999999*").lWaitType, kWaitNotState);
}

TEST(WaitReply, CountIsRoundedTo16BitsAndIsZeroWhenNoNumber) {
    const std::pair<const char*, int> cases[] = {{"G*", 0},      {"Gabc*", 0}, {"I3,4*", 0},
                                                 {"G2.5*", 2},   {"G3.5*", 4}, {"G-3*", -3},
                                                 {"G32767*", 32767}};
    for (const auto& [reply, count] : cases) EXPECT_EQ(Parse(reply).lQueueCount, count) << reply;
    EXPECT_EQ(Parse("G*").lWaitType, kWaitMoving);
    EXPECT_THROW(Parse("G32768*"), ArithmeticOverflow);
}

TEST(WaitReply, OldFirmwareDigitReplyGetsTheCommandLetterAndG4MeansIdleBelowType3) {
    const struct {
        const char* packed;
        bool above2;
        const char* command;
        const char* repaired;
    } cases[] = {
        {"3*", false, "I", "I3*"},  {"3*", false, "G", "G3*"},
        {"3*", true, "I", "3*"},    // newer firmware always sends its letter
        {"13*", false, "I", "13*"}, {"x*", false, "I", "x*"},  // only a digit and one more character
        {"G4*", true, "I", "I4*"},  {"G4*", false, "I", "I4*"}, {"G44*", true, "I", "G44*"},
        {"4*", false, "G", "I4*"},  // the digit form after a G command turns into G4*, so idle
    };
    for (const auto& c : cases)
        EXPECT_EQ(RepairPackedReply(c.packed, c.above2, c.command), c.repaired) << c.packed << " " << c.command;
}

TEST(DriverNumbers, TextToLongRoundsHalvesToEvenAndDetectsOverflow) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"46012", 46012}, {" -7 ", -7},     {"2.5", 2},           {"3.5", 4},
        {"&H1F", 31},     {"&HFFFF", -1},   {"&H10000", 65536},   {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1}};
    for (const auto& [text, value] : cases) EXPECT_EQ(TextToLong(text), value) << text;
    EXPECT_THROW(TextToLong("2147483648"), ArithmeticOverflow);
    EXPECT_THROW(TextToLong(""), TypeMismatch);
    EXPECT_THROW(TextToLong("NO"), TypeMismatch);
}

TEST(DriverNumbers, OverflowThrowsWhereTheNumberRulesGiveNothing) {
    EXPECT_THROW(RoundToInt(32767.5), ArithmeticOverflow);
    EXPECT_THROW(RoundToLong(2147483647.5), ArithmeticOverflow);
    EXPECT_EQ(CheckedMul(3, 8192), 24576);
    EXPECT_THROW(CheckedMul(262144, 8192), ArithmeticOverflow);
    EXPECT_THROW(CheckedAdd(2147483647, 1), ArithmeticOverflow);
}
