#include "app/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace plyx::app;

TEST(NumberReading, LeadingNumericPartOfDecimalText) {
    EXPECT_EQ(Val("7.5"), 7.5);
    EXPECT_EQ(Val("-25"), -25);
    EXPECT_EQ(Val("+3"), 3);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("-.5"), -0.5);
    EXPECT_EQ(Val("5."), 5);
    EXPECT_EQ(Val("12abc"), 12);
    EXPECT_EQ(Val("1.5.6"), 1.5);
    EXPECT_EQ(Val("  1 2 .5"), 12.5);
}

TEST(NumberReading, ExponentsWithEOrD) {
    EXPECT_EQ(Val("1E3"), 1000);
    EXPECT_EQ(Val("1e+3"), 1000);
    EXPECT_EQ(Val("2.5D-1"), 0.25);
    EXPECT_EQ(Val("3d2"), 300);
    EXPECT_EQ(Val("4E"), 4);    // exponent without digits is not part of the number
    EXPECT_EQ(Val("4E+x"), 4);
}

TEST(NumberReading, TextThatIsNoNumberReadsZero) {
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("."), 0);
    EXPECT_EQ(Val("+-3"), 0);
    EXPECT_EQ(Val("E5"), 0);
    EXPECT_FALSE(std::signbit(Val("-0")));
}

TEST(NumberReading, HexadecimalAndOctal) {
    EXPECT_EQ(Val("&H10"), 16);
    EXPECT_EQ(Val("&hff"), 255);
    EXPECT_EQ(Val("&O17"), 15);
    EXPECT_EQ(Val("&HFFFF"), -1);       // four digits: 16-bit
    EXPECT_EQ(Val("&H10000"), 65536);   // longer: 32-bit
    EXPECT_EQ(Val("&HFFFFFFFF"), -1);
    EXPECT_EQ(Val("&H7FFFFFFF"), 2147483647);
    EXPECT_EQ(Val("&H100000000"), 0);   // wider than 32 bits
    EXPECT_EQ(Val("&H"), 0);
    EXPECT_EQ(Val("&X12"), 0);
    EXPECT_EQ(Val("&O8"), 0);
}

TEST(NumberReading, HugeAndTinyNumbersAreSane) {
    EXPECT_EQ(Val("1E400"), 0);
    EXPECT_EQ(Val("-1E99999999999999999999"), 0);
    EXPECT_EQ(Val("1E-400"), 0);
    std::string many(100000, '9');
    EXPECT_EQ(Val(many), 0);  // more than a double holds
    std::string longFraction = "1." + std::string(200000, '0') + "1";
    EXPECT_EQ(Val(longFraction), 1.0);
}

TEST(NumberReading, IsNumericNeedsTheWholeText) {
    EXPECT_TRUE(IsNumeric("12"));
    EXPECT_TRUE(IsNumeric(" 12 "));
    EXPECT_TRUE(IsNumeric("-1.5E3"));
    EXPECT_TRUE(IsNumeric(".5"));
    EXPECT_TRUE(IsNumeric("&HFF"));
    EXPECT_FALSE(IsNumeric(""));
    EXPECT_FALSE(IsNumeric("abc"));
    EXPECT_FALSE(IsNumeric("12a"));
    EXPECT_FALSE(IsNumeric("1 2"));
    EXPECT_FALSE(IsNumeric("."));
    EXPECT_FALSE(IsNumeric("-"));
    EXPECT_FALSE(IsNumeric("1E400"));
}

TEST(NumberWriting, ShortestTextWithPointAndNoLeadingZero) {
    EXPECT_EQ(NumberText(10.59), "10.59");
    EXPECT_EQ(NumberText(0.5), ".5");
    EXPECT_EQ(NumberText(-0.5), "-.5");
    EXPECT_EQ(NumberText(-25), "-25");
    EXPECT_EQ(NumberText(16), "16");
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(-0.0), "0");
    EXPECT_EQ(NumberText(6.23529), "6.23529");
    EXPECT_EQ(NumberText(10.78125), "10.78125");
    EXPECT_EQ(NumberText(0.1 + 0.2), ".3");  // 15 significant digits hide the binary noise
    EXPECT_EQ(NumberText(1.0 / 3), ".333333333333333");
    EXPECT_EQ(NumberText(2.0 / 3), ".666666666666667");
    EXPECT_EQ(NumberText(1000000), "1000000");
}

TEST(NumberWriting, ExponentWhereFifteenDigitsCannotShowTheValue) {
    EXPECT_EQ(NumberText(123456789012345.0), "123456789012345");
    EXPECT_EQ(NumberText(1e15), "1E+15");
    EXPECT_EQ(NumberText(1234567890123456.0), "1.23456789012346E+15");
    EXPECT_EQ(NumberText(-2.5e100), "-2.5E+100");
    EXPECT_EQ(NumberText(0.0001), ".0001");
    EXPECT_EQ(NumberText(1e-15), ".000000000000001");
    EXPECT_EQ(NumberText(1e-16), "1E-16");
    EXPECT_EQ(NumberText(1.5e-7), ".00000015");
    EXPECT_EQ(NumberText(1.23456789e-10), "1.23456789E-10");
    EXPECT_EQ(NumberText(5e-324), "4.94065645841247E-324");
}

TEST(NumberWriting, NonFiniteValuesGiveZero) {
    EXPECT_EQ(NumberText(std::nan("")), "0");
    EXPECT_EQ(NumberText(HUGE_VAL), "0");
}

TEST(NumberWriting, TextReadsBackToTheSameFifteenDigitValue) {
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int i = 0; i < 20000; ++i) {
        double x = mantissa(rng) * std::pow(10.0, exponent(rng));
        // Round x to 15 significant digits first: that is what the text can hold.
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.14e", x);
        double x15 = std::strtod(buf, nullptr);
        std::string text = NumberText(x15);
        ASSERT_EQ(Val(text), x15) << text;
        ASSERT_EQ(NumberText(Val(text)), text);
        ASSERT_EQ(text.find(' '), std::string::npos);
        ASSERT_EQ(text.find(','), std::string::npos);
    }
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.4999999), 2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(RoundHalfEven(-0.7), -1);
    EXPECT_EQ(RoundHalfEven(4503599627370497.0), 4503599627370497.0);
}

TEST(Rounding, IntegerConversionsDetectOverflow) {
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(32767.5), std::nullopt);  // rounds to 32768
    EXPECT_EQ(ToInt16(-32768.5), -32768);       // rounds to the even -32768
    EXPECT_EQ(ToInt16(-32769), std::nullopt);
    EXPECT_EQ(ToInt16(std::nan("")), std::nullopt);
    EXPECT_EQ(ToInt16(2.5), 2);
    EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
    EXPECT_EQ(ToInt32(2147483647.5), std::nullopt);
    EXPECT_EQ(ToInt32(-2147483648.0), -2147483647 - 1);
    EXPECT_EQ(ToInt32(1e300), std::nullopt);
    EXPECT_EQ(ToInt32(-1e300), std::nullopt);
    EXPECT_EQ(ToInt32(HUGE_VAL), std::nullopt);
}

TEST(Rounding, HexText) {
    EXPECT_EQ(HexText(255), "FF");
    EXPECT_EQ(HexText(0), "0");
    EXPECT_EQ(HexText(53), "35");
    EXPECT_EQ(HexText(-1), "FFFFFFFF");
}
