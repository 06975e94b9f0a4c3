// Reply parsing and identification text: pure functions on plain strings.
#include "link/ReplyParser.h"

#include <gtest/gtest.h>

#include "link/Copyright.h"

using namespace plyx::link;

namespace {

TEST(ParseReply, Table) {
    const struct {
        const char* reply;
        const char* values;
        const char* lastComma;  // "(none)": none
        const char* copyright;  // "(none)": none
    } cases[] = {
        {"X,0,10,20*", "X:-1=10;X:-2=20;", "20", "(none)"},
        {"X;1A;-1F*", "X:26=-31;", "-31", "(none)"},
        {"M2,SPEED,300\r\n*", "M2:SPEED=300;", "300", "(none)"},
        {"R,1,2,3", "", "3", "(none)"},  // four fields, item not 0: nothing
        {"Y,0,1,2,3,4,5,6,7,8,9,10,11", "Y:-1=1;Y:-2=2;Y:-3=3;Y:-4=4;Y:-5=5;Y:-6=6;Y:-7=7;Y:-8=8;Y:-9=9;Y:-10=10;Y:-11=11;",
         "11", "(none)"},
        {"Y,0,1,2,3,4,5,6,7,8,9,10,11,12", "", "12", "(none)"},  // fourteen fields: too long for a list
        {"", "", "(none)", "(none)"},
        {"5X\r\nX,A,1\r\nY,B,2*", "X:A=1;Y:B=2;", "2", "(none)"},
        {"X;ZZ;10", "X:-1=16;", "16", "(none)"},  // invalid hex becomes 0: an indexed list
        {"A,B", "", "B", "(none)"},  // not a motor, still the last comma result
        // The identification text follows the marker line; its lines are no values.
        {"-12?\r\nX,-12\r\nQM4DNCRouter 2.14\r\nCopyright 2009\r\n*", "", "-12", "QM4DNCRouter 2.14\r\nCopyright 2009"},
        {"M1,-12\rX,ID,5\r*\rY,Z,6", "Y:Z=6;", "6", "X,ID,5"},
        {"X,-12*", "", "-12", ""},
        {"X,\nP\n,1\r\n", "X:P=1;", "1", "(none)"},  // line feeds are ignored
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        auto r = ParseReply(c.reply);
        std::string values;
        for (const auto& v : r.values) values += v.motor + ":" + v.item + "=" + v.value + ";";
        EXPECT_EQ(values, c.values);
        EXPECT_EQ(r.lastCommaResult.value_or("(none)"), c.lastComma);
        EXPECT_EQ(r.copyright.value_or("(none)"), c.copyright);
    }
}

TEST(HexField, Conversions) {
    // Up to four digits a 16-bit value, up to eight a 32-bit one; anything else 0.
    const std::pair<const char*, const char*> cases[] = {
        {"1A", "26"},       {"-1F", "-31"},    {"ff", "255"},      {"7FFF", "32767"}, {"8000", "-32768"},
        {"08000", "32768"}, {"FFFFFFFF", "-1"}, {"-80000000", "2147483648"}, {"12345678", "305419896"},
        {" 10 ", "16"},     {"", "0"},         {"-", "0"},         {"123456789", "0"}, {"1G", "0"}, {"--1", "0"},
    };
    for (const auto& [field, decimal] : cases) EXPECT_EQ(HexFieldToDecimal(field), decimal) << field;
}

TEST(Copyright, NameVersionAndWhichNameMatches) {
    auto a = ExtractFromCopyright("NAME: 2.14 \xC2\xA9" "2009");
    EXPECT_EQ(a.name + "|" + a.version, "NAME|2.14");
    auto empty = ExtractFromCopyright("  \r\n ");
    EXPECT_EQ(empty.name + "|" + empty.version, "|");
    const std::pair<const char*, const char*> versions[] = {
        {"NAME \xC2\xA9 2009 1.5", "BETA"}, {"NAME (c) 2009 1.5", "2009"},
        {"NAME copyright 2009 1.5", "BETA"}, {"QM4DNCRouter\r\nV 2.13\r\nCopyright 2008", "2.13"},
        {"NAME$3", "3"},                     {"NAME  x 7", "7"},  // two blanks: an empty word, no number
    };
    for (const auto& [text, version] : versions) EXPECT_EQ(ExtractFromCopyright(text).version, version) << text;
    const std::tuple<const char*, const char*, int> names[] = {
        {"ABC 1.0", "AB ABC", 1}, {"abc 1.0", "XY ABC", 2}, {"AB", "ABC", 0},
        {"QM4DNCRouter 2.14", "QM4DNCRouterVarn QM4DNCRouter VT2D20NCRouterVarn", 2},
        {"anything", "X  Y", 2},  // the empty name matches
        {"anything", "", 0},
    };
    for (const auto& [text, list, which] : names) EXPECT_EQ(WhichCopyright(text, list), which) << text << " in " << list;
}

}  // namespace
