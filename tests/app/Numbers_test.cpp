#include "app/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace plyx::app;

TEST(Numbers, ReadingTakesTheLeadingNumber) {
    const std::pair<const char*, double> cases[] = {
        {"7.5", 7.5}, {"-25", -25}, {"+3", 3}, {".5", 0.5}, {"-.5", -0.5}, {"5.", 5}, {"12abc", 12}, {"1.5.6", 1.5},
        {"  1 2 .5", 12.5}, {"1E3", 1000}, {"1e+3", 1000}, {"2.5D-1", 0.25}, {"3d2", 300}, {"4E", 4}, {"4E+x", 4},
        {"", 0}, {"abc", 0}, {"-", 0}, {".", 0}, {"+-3", 0}, {"E5", 0},
        // Four hex digits are 16-bit, more are 32-bit, wider reads 0.
        {"&H10", 16}, {"&hff", 255}, {"&O17", 15}, {"&HFFFF", -1}, {"&H10000", 65536}, {"&HFFFFFFFF", -1},
        {"&H7FFFFFFF", 2147483647}, {"&H100000000", 0}, {"&H", 0}, {"&X12", 0}, {"&O8", 0},
        {"1E400", 0}, {"-1E99999999999999999999", 0}, {"1E-400", 0}};
    for (const auto& [text, value] : cases) EXPECT_EQ(Val(text), value) << text;
    EXPECT_FALSE(std::signbit(Val("-0")));
    EXPECT_EQ(Val(std::string(100000, '9')), 0);
    EXPECT_EQ(Val("1." + std::string(200000, '0') + "1"), 1.0);
    for (const char* yes : {" 12 ", "-1.5E3", ".5", "&HFF"}) EXPECT_TRUE(IsNumeric(yes)) << yes;
    for (const char* no : {"", "12a", "1 2", ".", "-", "1E400"}) EXPECT_FALSE(IsNumeric(no)) << no;
}

TEST(Numbers, WritingGivesTheShortestFifteenDigitText) {
    const std::pair<double, const char*> cases[] = {
        {10.59, "10.59"}, {0.5, ".5"}, {-0.5, "-.5"}, {-0.0, "0"}, {0.1 + 0.2, ".3"}, {2.0 / 3, ".666666666666667"},
        {123456789012345.0, "123456789012345"}, {1e15, "1E+15"}, {1234567890123456.0, "1.23456789012346E+15"},
        {-2.5e100, "-2.5E+100"}, {1e-15, ".000000000000001"}, {1e-16, "1E-16"}, {1.5e-7, ".00000015"},
        {5e-324, "4.94065645841247E-324"}, {std::nan(""), "0"}, {HUGE_VAL, "0"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(NumberText(value), text) << text;
}

TEST(Numbers, RoundingTakesHalvesToEvenAndConversionsDetectOverflow) {
    const double halves[][2] = {{2.5, 2},       {3.5, 4},   {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {2.4999999, 2},
                                {2.5000001, 3}, {-0.7, -1}, {4503599627370497.0, 4503599627370497.0}};
    for (const auto& c : halves) EXPECT_EQ(RoundHalfEven(c[0]), c[1]) << c[0];
    const std::pair<double, std::optional<std::int16_t>> int16s[] = {
        {32767.4, 32767}, {32767.5, std::nullopt}, {-32768.5, -32768}, {-32769, std::nullopt}, {NAN, std::nullopt}};
    for (const auto& [value, expected] : int16s) EXPECT_EQ(ToInt16(value), expected) << value;
    const std::pair<double, std::optional<std::int32_t>> int32s[] = {
        {2147483647.0, 2147483647}, {2147483647.5, std::nullopt}, {-2147483648.0, -2147483647 - 1},
        {1e300, std::nullopt}, {-1e300, std::nullopt}, {HUGE_VAL, std::nullopt}};
    for (const auto& [value, expected] : int32s) EXPECT_EQ(ToInt32(value), expected) << value;
}
