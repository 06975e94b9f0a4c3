#include <gtest/gtest.h>

#include <algorithm>

#include "app/ParameterFiles.h"
#include "platform/TextCodec.h"
#include "tests/app/CoreFixture.h"
#include "text/Resources.h"

using namespace plyx::text;

namespace {

std::string Utf16File(std::string_view utf8, bool bom = true) {
    std::string bytes = bom ? std::string("\xFF\xFE") : std::string();
    return bytes + plyx::platform::EncodeUtf16Le(utf8);
}

class LanguageFile : public plyx::test::CoreFixture {
protected:
    LanguageFile() { OpenLog(); }
    std::int16_t Load(std::string path) { return LoadResourceFile(env, tables.SelectedLanguageTable, path); }
    // Log lines after the header lines written when the log was opened.
    std::vector<std::string> Lines() {
        std::vector<std::string> all = Logged();
        return {all.begin() + 4, all.end()};
    }
    bool LoggedLine(const std::string& line) {
        std::vector<std::string> l = Lines();
        return std::find(l.begin(), l.end(), line) != l.end();
    }
    static std::string Example(const char* name) { return std::string(PLYX3_EXAMPLES_DIR) + "/languages/" + name; }
};

}  // namespace

TEST_F(LanguageFile, Utf16FileLoadsOnTheFirstPass) {
    docs.Write("g.lng", Utf16File("PLYX3RESOURCES\r\n101,Αποθήκευση\r\n"));
    EXPECT_EQ(Load(docs.File("g.lng")), 0);
    EXPECT_EQ(LookupResourceText(tables, 101), "Αποθήκευση");
    EXPECT_EQ(tables.CurrentResourceFile, docs.File("g.lng"));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Attempting to open external resource file " + docs.File("g.lng"),
                                                 "Line 2: Resource 101=", "Αποθήκευση", "2 text lines processed"}));
    // Also without a byte-order mark.
    docs.Write("g.lng", Utf16File("PLYX3RESOURCES\n106,Go\n", false));
    EXPECT_EQ(Load(docs.File("g.lng")), 0);
    EXPECT_EQ(LookupResourceText(tables, 106), "Go");
}

TEST_F(LanguageFile, EightBitFileLoadsOnTheSecondPass) {
    docs.Write("d.lng", "PLYX3RESOURCES\r\n101,Diese H\xC3\xBClle speichern\r\n102,Caf\xE9\r\n103,\xC1\x81\r\n");
    EXPECT_EQ(Load(docs.File("d.lng")), 0);
    EXPECT_EQ(LookupResourceText(tables, 101), "Diese H\xC3\xBClle speichern");
    EXPECT_EQ(LookupResourceText(tables, 102), "Caf\xC3\xA9");  // a Latin-1 byte
    EXPECT_EQ(LookupResourceText(tables, 103), "\xC3\x81\xC2\x81");  // an overlong "A" is two Latin-1 bytes
    EXPECT_FALSE(LoggedLine("FAILED TO PARSE " + docs.File("d.lng") +
                            "-- contents are not valid for use as a resource file"));
    EXPECT_TRUE(dialogs.messages.empty());
    // A UTF-8 byte-order mark is no part of the header.
    docs.Write("d.lng", "\xEF\xBB\xBFPLYX3RESOURCES\n101,Ja\n");
    EXPECT_EQ(Load(docs.File("d.lng")), 0);
    EXPECT_EQ(LookupResourceText(tables, 101), "Ja");
}

TEST_F(LanguageFile, HeaderMayHaveSpacesButNotLowerCase) {
    docs.Write("a.lng", "   PLYX3RESOURCES  \n101,A\n");
    EXPECT_EQ(Load(docs.File("a.lng")), 0);
    docs.Write("b.lng", "plyx3resources\n101,B\n");
    std::string path = docs.File("b.lng");
    EXPECT_EQ(Load(path), -1);
    EXPECT_TRUE(tables.SelectedLanguageTable.empty());
    EXPECT_EQ(tables.CurrentResourceFile, "");
    EXPECT_TRUE(LoggedLine("FAILED TO PARSE " + path + "-- contents are not valid for use as a resource file"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Requested Language file is not properly formatted\r\n" + path);
    EXPECT_EQ(dialogs.messages[0].title, "PLYX3");
}

TEST_F(LanguageFile, ResourceLinesAndOtherLines) {
    docs.Write("a.lng",
               "PLYX3RESOURCES\n"
               "101, Save this shell ,now\n"
               ",text\n"
               "text\n"
               "abc,text\n"
               "\n"
               "  102  ,  Edit  \n"
               "101,Again\n"
               "40000,too big\n"
               "2.5,rounded\n");
    EXPECT_EQ(Load(docs.File("a.lng")), 0);
    EXPECT_EQ(LookupResourceText(tables, 101), "Again");  // the later line wins
    EXPECT_EQ(LookupResourceText(tables, 102), "Edit");
    EXPECT_EQ(LookupResourceText(tables, 2), "rounded");  // 2.5 rounds to the even 2
    std::vector<std::string> expected = {
        "Attempting to open external resource file " + docs.File("a.lng"), "Line 2: Resource 101=",
        "Save this shell ,now", "Line 3: Not a resource line. Text=,text", "Line 4: Not a resource line. Text=text",
        "Line 5: Not a resource line. Text=abc,text", "Line 6: Not a resource line. Text=", "Line 7: Resource 102=",
        "Edit", "Line 8: Resource 101=", "Again", "Line 9: Not a resource line. Text=40000,too big",
        "Line 10: Resource 2=", "rounded", "10 text lines processed"};
    EXPECT_EQ(Lines(), expected);
}

TEST_F(LanguageFile, EmptyPathEmptiesTheTableQuietly) {
    SetDictionaryText(tables.SelectedLanguageTable, 101, "old");
    tables.CurrentResourceFile = "/old.lng";
    std::string path = "   ";
    EXPECT_EQ(LoadResourceFile(env, tables.SelectedLanguageTable, path), 0);
    EXPECT_EQ(path, "");
    EXPECT_TRUE(tables.SelectedLanguageTable.empty());
    EXPECT_EQ(tables.CurrentResourceFile, "");
    EXPECT_TRUE(Lines().empty());
    // The path is trimmed in the caller's variable.
    docs.Write("a.lng", "PLYX3RESOURCES\n");
    path = "  " + docs.File("a.lng") + "  ";
    EXPECT_EQ(LoadSelectedResourceFile(env, path), 0);
    EXPECT_EQ(path, docs.File("a.lng"));
}

TEST_F(LanguageFile, MissingFileIsReportedOnce) {
    std::string path = docs.File("none.lng");
    SetDictionaryText(tables.SelectedLanguageTable, 101, "old");
    EXPECT_EQ(Load(path), 1);
    EXPECT_TRUE(tables.SelectedLanguageTable.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Failed to open " + path + " as a resource file");
    EXPECT_NE(dialogs.messages[0].text.find("\r\nError 53\r\n"), std::string::npos);
    EXPECT_EQ(Lines().front(), "Attempting to open external resource file " + path);
    for (const std::string& l : Lines()) EXPECT_EQ(l.find("FAILED TO PARSE"), std::string::npos);
}

TEST_F(LanguageFile, ResourceFileParameterLoadsTheSelectedTable) {
    docs.Write("sel.lng", "PLYX3RESOURCES\n106,Los\n");
    plyx::app::ParseParameterLine(env, params, "ResourceFile =  " + docs.File("sel.lng") + "  ", true);
    EXPECT_EQ(params.strResourceFile, docs.File("sel.lng"));
    EXPECT_EQ(LookupResourceText(tables, 106), "Los");
    ASSERT_TRUE(plyx::app::WriteParameterFile(env, params, "", 1));
    EXPECT_NE(docs.Read("PLYX3/PLYX3.CFG").find("\r\nResourceFile=" + docs.File("sel.lng") + "\r\n"), std::string::npos);
}

// The shipped translations load without a single stray line and cover every text.
class ShippedLanguage : public LanguageFile, public ::testing::WithParamInterface<const char*> {};

TEST_P(ShippedLanguage, LoadsCleanlyWithEveryText) {
    EXPECT_EQ(Load(Example(GetParam())), 0);
    EXPECT_TRUE(dialogs.messages.empty());
    const std::size_t texts = tables.InternalDictionary.size();
    EXPECT_EQ(tables.SelectedLanguageTable.size(), texts);
    for (const auto& [key, text] : tables.InternalDictionary) {
        auto it = tables.SelectedLanguageTable.find(key);
        EXPECT_TRUE(it != tables.SelectedLanguageTable.end() && !it->second.empty()) << key;
    }
    for (const std::string& l : Lines()) EXPECT_EQ(l.find("Not a resource line"), std::string::npos) << l;
    EXPECT_TRUE(LoggedLine(std::to_string(texts + 1) + " text lines processed"));
}

INSTANTIATE_TEST_SUITE_P(Examples, ShippedLanguage, ::testing::Values("greek.lng", "german.lng", "german-long.lng"));
