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

TEST(WaitReply, StateAndCountOfTheLetterAndNumber) {
    // Line ends and stars are ignored; the count is rounded to 16 bits and
    // is zero when there is no number or no state.
    const struct {
        const char* reply;
        int type, count;
    } cases[] = {{"\r\nG\r12\n*", kWaitMoving, 12}, {"*", kWaitEmpty, 0}, {"\r\n*", kWaitEmpty, 0},
                 {"", kWaitEmpty, 0},             {"X5*", kWaitNotState, 0},
                 {"g3*", kWaitNotState, 0},       // letters are compared exactly
                 {"X99999999*", kWaitNotState, 0},  // a sync failure, not an overflow
                 {"G*", kWaitMoving, 0},          {"Gabc*", kWaitMoving, 0},
                 {"I3,4*", kWaitIdle, 0},         {"G2.5*", kWaitMoving, 2},
                 {"G3.5*", kWaitMoving, 4},       {"G-3*", kWaitMoving, -3},
                 {"G32767*", kWaitMoving, 32767}};
    for (const auto& c : cases) {
        WaitReply r = Parse(c.reply);
        EXPECT_EQ(r.lWaitType, c.type) << c.reply;
        EXPECT_EQ(r.lQueueCount, c.count) << c.reply;
    }
    EXPECT_EQ(PackReply("h\r\nI3*\r\n"), "hI3*");
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
