#include "app/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace plyx::app;

TEST(NumberReading, LeadingNumericPartOfTheText) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        // Decimal, with blanks inside ignored and anything after the number dropped.
        {"7.5", 7.5}, {"-25", -25}, {"+3", 3}, {".5", 0.5}, {"-.5", -0.5}, {"5.", 5}, {"12abc", 12},
        {"1.5.6", 1.5}, {"  1 2 .5", 12.5},
        // Exponents with E or D; an exponent without digits is not part of the number.
        {"1E3", 1000}, {"1e+3", 1000}, {"2.5D-1", 0.25}, {"3d2", 300}, {"4E", 4}, {"4E+x", 4},
        // No number at all.
        {"", 0}, {"abc", 0}, {"-", 0}, {".", 0}, {"+-3", 0}, {"E5", 0},
        // Hexadecimal and octal: four hex digits are 16-bit, more are 32-bit, wider reads 0.
        {"&H10", 16}, {"&hff", 255}, {"&O17", 15}, {"&HFFFF", -1}, {"&H10000", 65536}, {"&HFFFFFFFF", -1},
        {"&H7FFFFFFF", 2147483647}, {"&H100000000", 0}, {"&H", 0}, {"&X12", 0}, {"&O8", 0},
        // Out of a double's range.
        {"1E400", 0}, {"-1E99999999999999999999", 0}, {"1E-400", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(Val(c.text), c.value) << c.text;
    EXPECT_FALSE(std::signbit(Val("-0")));
    EXPECT_EQ(Val(std::string(100000, '9')), 0);  // more than a double holds
    EXPECT_EQ(Val("1." + std::string(200000, '0') + "1"), 1.0);
}

TEST(NumberReading, IsNumericNeedsTheWholeText) {
    for (const char* yes : {"12", " 12 ", "-1.5E3", ".5", "&HFF"}) EXPECT_TRUE(IsNumeric(yes)) << yes;
    for (const char* no : {"", "abc", "12a", "1 2", ".", "-", "1E400"}) EXPECT_FALSE(IsNumeric(no)) << no;
}

TEST(NumberWriting, ShortestFifteenDigitTextWithoutLeadingZero) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {10.59, "10.59"}, {0.5, ".5"}, {-0.5, "-.5"}, {-25, "-25"}, {0, "0"}, {-0.0, "0"}, {6.23529, "6.23529"},
        {0.1 + 0.2, ".3"},  // 15 significant digits hide the binary noise
        {1.0 / 3, ".333333333333333"}, {2.0 / 3, ".666666666666667"}, {1000000, "1000000"},
        // An exponent only where fifteen digits cannot show the value.
        {123456789012345.0, "123456789012345"}, {1e15, "1E+15"}, {1234567890123456.0, "1.23456789012346E+15"},
        {-2.5e100, "-2.5E+100"}, {1e-15, ".000000000000001"}, {1e-16, "1E-16"}, {1.5e-7, ".00000015"},
        {1.23456789e-10, "1.23456789E-10"}, {5e-324, "4.94065645841247E-324"},
        {std::nan(""), "0"}, {HUGE_VAL, "0"},
    };
    for (const auto& c : cases) EXPECT_EQ(NumberText(c.value), c.text) << c.text;
}

TEST(NumberWriting, TextReadsBackToTheSameFifteenDigitValue) {
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int i = 0; i < 20000; ++i) {
        // Round to 15 significant digits first: that is what the text can hold.
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.14e", mantissa(rng) * std::pow(10.0, exponent(rng)));
        const double x15 = std::strtod(buf, nullptr);
        const std::string text = NumberText(x15);
        ASSERT_EQ(Val(text), x15) << text;
        ASSERT_EQ(NumberText(Val(text)), text);
        ASSERT_EQ(text.find_first_of(" ,"), std::string::npos) << text;
    }
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    const double cases[][2] = {{2.5, 2},       {3.5, 4},   {-2.5, -2},
                               {-3.5, -4},     {0.5, 0},   {2.4999999, 2},
                               {2.5000001, 3}, {-0.7, -1}, {4503599627370497.0, 4503599627370497.0}};
    for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c[0]), c[1]) << c[0];
}

TEST(Rounding, IntegerConversionsDetectOverflow) {
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(32767.5), std::nullopt);  // rounds to 32768
    EXPECT_EQ(ToInt16(-32768.5), -32768);       // rounds to the even -32768
    EXPECT_EQ(ToInt16(-32769), std::nullopt);
    EXPECT_EQ(ToInt16(std::nan("")), std::nullopt);
    EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
    EXPECT_EQ(ToInt32(2147483647.5), std::nullopt);
    EXPECT_EQ(ToInt32(-2147483648.0), -2147483647 - 1);
    for (double huge : {1e300, -1e300, HUGE_VAL}) EXPECT_EQ(ToInt32(huge), std::nullopt) << huge;
}
