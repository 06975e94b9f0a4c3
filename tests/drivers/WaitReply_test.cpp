#include "drivers/WaitReply.h"

#include <gtest/gtest.h>

#include "drivers/DriverNumbers.h"

using namespace plyx::drivers;

namespace {

WaitReply Parse(const std::string& raw) { return ParseWaitReply(PackReply(raw)); }

}  // namespace

TEST(WaitReply, EachStateLetterHasItsCodeAndCount) {
    EXPECT_EQ(Parse("I0*").lWaitType, kWaitIdle);
    EXPECT_EQ(Parse("G2*").lWaitType, kWaitMoving);
    EXPECT_EQ(Parse("G2*").lQueueCount, 2);
    EXPECT_EQ(Parse("D7*").lWaitType, kWaitMoving);
    EXPECT_EQ(Parse("D7*").lQueueCount, 7);
    EXPECT_EQ(Parse("A1*").lWaitType, kWaitAccepting);
    EXPECT_EQ(Parse("P0*").lWaitType, kWaitPaused);
    EXPECT_EQ(Parse("S0*").lWaitType, kWaitStopped);
}

TEST(WaitReply, LineEndsAndStarsAreIgnored) {
    WaitReply r = Parse("\r\nG\r12\n*");
    EXPECT_EQ(r.lWaitType, kWaitMoving);
    EXPECT_EQ(r.lQueueCount, 12);
    EXPECT_EQ(PackReply("h\r\nI3*\r\n"), "hI3*");
}

TEST(WaitReply, EmptyReplyMeansNothingReceivedYet) {
    EXPECT_EQ(Parse("*").lWaitType, kWaitEmpty);
    EXPECT_EQ(Parse("\r\n*").lWaitType, kWaitEmpty);
    EXPECT_EQ(Parse("").lWaitType, kWaitEmpty);
    EXPECT_EQ(Parse("*").lQueueCount, 0);
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

TEST(WaitReply, CountThatIsNoNumberIsZero) {
    WaitReply r = Parse("G*");
    EXPECT_EQ(r.lWaitType, kWaitMoving);
    EXPECT_EQ(r.lQueueCount, 0);
    EXPECT_EQ(Parse("Gabc*").lQueueCount, 0);
    EXPECT_EQ(Parse("I3,4*").lQueueCount, 0);
}

TEST(WaitReply, CountIsRoundedTo16Bits) {
    EXPECT_EQ(Parse("G2.5*").lQueueCount, 2);
    EXPECT_EQ(Parse("G3.5*").lQueueCount, 4);
    EXPECT_EQ(Parse("G-3*").lQueueCount, -3);
    EXPECT_EQ(Parse("G32767*").lQueueCount, 32767);
    EXPECT_THROW(Parse("G32768*"), ArithmeticOverflow);
}

TEST(WaitReply, OldFirmwareDigitReplyGetsTheCommandLetter) {
    EXPECT_EQ(RepairPackedReply("3*", false, "I"), "I3*");
    EXPECT_EQ(RepairPackedReply("3*", false, "G"), "G3*");
    // Newer firmware always sends its letter: nothing is added.
    EXPECT_EQ(RepairPackedReply("3*", true, "I"), "3*");
    // Only a digit and one more character qualify.
    EXPECT_EQ(RepairPackedReply("13*", false, "I"), "13*");
    EXPECT_EQ(RepairPackedReply("x*", false, "I"), "x*");
}

TEST(WaitReply, G4MeansIdleBelowType3) {
    EXPECT_EQ(RepairPackedReply("G4*", true, "I"), "I4*");
    EXPECT_EQ(RepairPackedReply("G4*", false, "I"), "I4*");
    EXPECT_EQ(RepairPackedReply("G44*", true, "I"), "G44*");
    // Old firmware's digit form after a G command turns into G4* and so idle.
    EXPECT_EQ(RepairPackedReply("4*", false, "G"), "I4*");
}

TEST(DriverNumbers, RecognisesNumbers) {
    EXPECT_TRUE(IsNumeric("12"));
    EXPECT_TRUE(IsNumeric(" -12 "));
    EXPECT_TRUE(IsNumeric("+2.14"));
    EXPECT_TRUE(IsNumeric(".5"));
    EXPECT_TRUE(IsNumeric("1e3"));
    EXPECT_TRUE(IsNumeric("&H1F"));
    EXPECT_FALSE(IsNumeric(""));
    EXPECT_FALSE(IsNumeric(" "));
    EXPECT_FALSE(IsNumeric("-"));
    EXPECT_FALSE(IsNumeric("1.2.3"));
    EXPECT_FALSE(IsNumeric("12abc"));
    EXPECT_FALSE(IsNumeric("BETA"));
}

TEST(DriverNumbers, TextToLongRoundsHalvesToEvenAndDetectsOverflow) {
    EXPECT_EQ(TextToLong("46012"), 46012);
    EXPECT_EQ(TextToLong(" -7 "), -7);
    EXPECT_EQ(TextToLong("2.5"), 2);
    EXPECT_EQ(TextToLong("3.5"), 4);
    EXPECT_EQ(TextToLong("&H1F"), 31);
    EXPECT_EQ(TextToLong("&HFFFF"), -1);
    EXPECT_EQ(TextToLong("&H10000"), 65536);
    EXPECT_EQ(TextToLong("2147483647"), 2147483647);
    EXPECT_EQ(TextToLong("-2147483648"), -2147483647 - 1);
    EXPECT_THROW(TextToLong("2147483648"), ArithmeticOverflow);
    EXPECT_THROW(TextToLong(""), TypeMismatch);
    EXPECT_THROW(TextToLong("NO"), TypeMismatch);
}

TEST(DriverNumbers, RoundingToIntegers) {
    EXPECT_EQ(RoundToLong(127.5), 128);
    EXPECT_EQ(RoundToLong(0.5), 0);
    EXPECT_EQ(RoundToLong(1.5), 2);
    EXPECT_EQ(RoundToLong(-2.5), -2);
    EXPECT_EQ(RoundToInt(-32768.4), -32768);
    EXPECT_THROW(RoundToInt(32767.5), ArithmeticOverflow);
    EXPECT_THROW(RoundToLong(2147483647.5), ArithmeticOverflow);
}

TEST(DriverNumbers, CheckedArithmetic) {
    EXPECT_EQ(CheckedMul(3, 8192), 24576);
    EXPECT_EQ(CheckedAdd(-5, 5), 0);
    EXPECT_THROW(CheckedMul(262144, 8192), ArithmeticOverflow);
    EXPECT_THROW(CheckedAdd(2147483647, 1), ArithmeticOverflow);
    EXPECT_THROW(CheckedMul(128, 16777216), ArithmeticOverflow);
}
