// Text lookup, composition and its log, and language files.
#include "text/Resources.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/LanguageFiles.h"
#include "app/ParameterFiles.h"
#include "platform/TextCodec.h"
#include "tests/app/CoreFixture.h"

using namespace plyx::text;

namespace {

using Texts = std::vector<std::pair<ResourceId, std::string>>;

class TextResources : public plyx::test::CoreFixture {
protected:
    TextResources() { OpenLog(); }
    std::int16_t Load(std::string path) { return LoadResourceFile(env, tables.SelectedLanguageTable, path); }
    // Log lines after the header written when the log was opened.
    std::vector<std::string> Lines() {
        std::vector<std::string> all = Logged();
        return {all.begin() + 4, all.end()};
    }
};

std::string Utf16(std::string_view utf8, bool bom) {
    return (bom ? std::string("\xFF\xFE") : std::string()) + plyx::platform::EncodeUtf16Le(utf8);
}

}  // namespace

// An empty text in a language table still wins; an unknown ID is marked.
TEST_F(TextResources, LookupOrderCompositionAndItsLog) {
    std::vector<std::string> lines;
    tables.LogLine = [&](std::string_view l) { lines.emplace_back(l); };
    SetDictionaryText(tables.SelectedLanguageTable, 101, "Selected");
    SetDictionaryText(tables.DefaultLanguageTable, 101, "Default");
    SetDictionaryText(tables.DefaultLanguageTable, 102, "Default only");
    SetDictionaryText(tables.DefaultLanguageTable, 106, "");
    const Texts cases = {{101, "Selected"}, {102, "Default only"}, {103, "Exit Program"},
                         {106, ""},         {32000, "?32000?"},    {-5, "?-5?"}};
    for (const auto& [id, text] : cases) EXPECT_EQ(LookupResourceText(tables, id), text) << id;

    lines.clear();
    EXPECT_EQ(GetResourceText(tables, 706, "", ""), "Pause");
    EXPECT_EQ(lines, (std::vector<std::string>{"Loaded Resource 706:Pause", "...(P)==>80", "...(a)==>97",
                                                 "...(u)==>117", "...(s)==>115", "...(e)==>101"}));
    EXPECT_EQ(GetResourceText(tables, 107, "COM3: ", " MODEL-A"), "COM3: Model MODEL-A");
    // With the IDs shown, only the resource text is marked.
    tables.ShowResourceIDs = true;
    EXPECT_EQ(GetResourceText(tables, 108, "6 ", "!"), "6 (108:inches)!");
    EXPECT_EQ(GetResourceText(tables, 32000), "(32000:?32000?)");
    // Code units beyond ASCII; the halves of a surrogate pair as replacement characters.
    lines.clear();
    LogResourceText(tables, "H", "\xCE\xB1\xF0\x9F\x98\x80");
    EXPECT_EQ(lines, (std::vector<std::string>{"H:\xCE\xB1\xF0\x9F\x98\x80", "...(\xCE\xB1)==>945",
                                                 "...(\xEF\xBF\xBD)==>55357", "...(\xEF\xBF\xBD)==>56832"}));
}

// UTF-16 with or without its mark on the first pass; otherwise each line as
// UTF-8 where valid, else Latin-1 (an overlong "A" is two Latin-1 bytes).
TEST_F(TextResources, EncodingsAndHeaders) {
    const struct {
        std::string bytes;
        std::int16_t result;
        Texts texts;
    } cases[] = {
        {Utf16("PLYX3RESOURCES\r\n101,Αποθήκευση\r\n", true), 0, {{101, "Αποθήκευση"}}},
        {Utf16("PLYX3RESOURCES\n106,Go\n", false), 0, {{106, "Go"}}},
        {"PLYX3RESOURCES\r\n101,H\xC3\xBClle\r\n102,Caf\xE9\r\n103,\xC1\x81\r\n", 0,
         {{101, "H\xC3\xBClle"}, {102, "Caf\xC3\xA9"}, {103, "\xC3\x81\xC2\x81"}}},
        {"\xEF\xBB\xBFPLYX3RESOURCES\n101,Ja\n", 0, {{101, "Ja"}}},
        {"   PLYX3RESOURCES  \n101,A\n", 0, {{101, "A"}}},
        {"plyx3resources\n101,B\n", -1, {{101, "Save This Shell"}}},
    };
    const std::string path = docs.File("a.lng");
    for (const auto& c : cases) {
        dialogs.messages.clear();
        docs.Write("a.lng", c.bytes);
        EXPECT_EQ(Load(path), c.result) << c.bytes;
        for (const auto& [id, text] : c.texts) EXPECT_EQ(LookupResourceText(tables, id), text) << c.bytes;
        EXPECT_EQ(tables.CurrentResourceFile, c.result == 0 ? path : "");
        EXPECT_EQ(dialogs.messages.size(), c.result == 0 ? 0u : 1u) << c.bytes;
    }
    EXPECT_EQ(dialogs.messages.back().text, "Requested Language file is not properly formatted\r\n" + path);
    const std::vector<std::string> l = Lines();
    const std::string failed = "FAILED TO PARSE " + path + "-- contents are not valid for use as a resource file";
    EXPECT_EQ(std::count(l.begin(), l.end(), failed), 1);

    const std::string none = docs.File("none.lng");
    EXPECT_TRUE(Load(none) == 1 && tables.SelectedLanguageTable.empty());
    EXPECT_EQ(dialogs.messages.back().title, "Failed to open " + none + " as a resource file");
    EXPECT_NE(dialogs.messages.back().text.find("\r\nError 53\r\n"), std::string::npos);
}

TEST_F(TextResources, ResourceLinesAndOtherLines) {
    docs.Write("a.lng",
               "PLYX3RESOURCES\n101, Save this shell ,now\n,text\ntext\nabc,text\n\n  102  ,  Edit  \n101,Again\n"
               "40000,too big\n2.5,rounded\n");
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

    // A blank path empties the table quietly; paths are trimmed in the caller's variable.
    std::string path = "   ";
    EXPECT_EQ(LoadResourceFile(env, tables.SelectedLanguageTable, path), 0);
    EXPECT_TRUE(path.empty() && tables.SelectedLanguageTable.empty() && tables.CurrentResourceFile.empty());
    path = "  " + docs.File("a.lng") + "  ";
    plyx::app::ParseParameterLine(env, params, "ResourceFile =" + path, true);
    EXPECT_EQ(params.strResourceFile, docs.File("a.lng"));
    EXPECT_EQ(LookupResourceText(tables, 102), "Edit");
}
