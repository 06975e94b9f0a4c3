#include "text/Resources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Dialogs.h"

using namespace plyx::text;

namespace {

// Tables with the English texts and a log that is kept in memory.
struct LoggedTables {
    TextTables tables;
    std::vector<std::string> lines;
    explicit LoggedTables(std::string_view programName = "PLYX3") {
        LoadInternalDictionary(tables, programName);
        tables.LogLine = [this](std::string_view l) { lines.emplace_back(l); };
    }
};

}  // namespace

// An empty text in a language table still wins; an unknown ID is marked, not reported.
TEST(ResourceLookup, SelectedThenDefaultThenInternal) {
    LoggedTables t;
    SetDictionaryText(t.tables.SelectedLanguageTable, 101, "Selected");
    SetDictionaryText(t.tables.DefaultLanguageTable, 101, "Default");
    SetDictionaryText(t.tables.DefaultLanguageTable, 102, "Default only");
    SetDictionaryText(t.tables.DefaultLanguageTable, 106, "");
    const std::pair<ResourceId, const char*> cases[] = {
        {101, "Selected"}, {102, "Default only"}, {103, "Exit Program"}, {106, ""}, {32000, "?32000?"}, {-5, "?-5?"}};
    for (const auto& [id, text] : cases) EXPECT_EQ(LookupResourceText(t.tables, id), text) << id;
    EXPECT_EQ(GetResourceText(t.tables, 106, "<", ">"), "<>");
}

TEST(ResourceComposition, LeaderAndTrailerAroundTheText) {
    LoggedTables t;
    EXPECT_EQ(GetResourceText(t.tables, 100, "COM3: ", ""), "COM3: PLYX3");
    EXPECT_EQ(GetResourceText(t.tables, 107, "COM3: ", " MODEL-A"), "COM3: Model MODEL-A");
    // With the IDs shown, only the resource text is marked.
    t.tables.ShowResourceIDs = true;
    EXPECT_EQ(GetResourceText(t.tables, 100, "COM3: ", ""), "COM3: (100:PLYX3)");
    EXPECT_EQ(GetResourceText(t.tables, 706), "(706:Pause)");
    EXPECT_EQ(GetResourceText(t.tables, 108, "6 ", "!"), "6 (108:inches)!");
    EXPECT_EQ(GetResourceText(t.tables, 32000), "(32000:?32000?)");
}

TEST(ResourceComposition, EveryCompositionIsLoggedWithItsCodeUnits) {
    LoggedTables t;
    GetResourceText(t.tables, 706, "", "");
    std::vector<std::string> expected = {"Loaded Resource 706:Pause", "...(P)==>80", "...(a)==>97",
                                         "...(u)==>117", "...(s)==>115", "...(e)==>101"};
    EXPECT_EQ(t.lines, expected);
    // Code units beyond ASCII, and the halves of a surrogate pair shown as replacement characters.
    t.lines.clear();
    LogResourceText(t.tables, "H", "\xCE\xB1\xF0\x9F\x98\x80");  // alpha, then U+1F600
    EXPECT_EQ(t.lines, (std::vector<std::string>{"H:\xCE\xB1\xF0\x9F\x98\x80", "...(\xCE\xB1)==>945",
                                                 "...(\xEF\xBF\xBD)==>55357", "...(\xEF\xBF\xBD)==>56832"}));
}

TEST(EnglishLanguage, DropsBothLanguageTablesAndTheCurrentFile) {
    LoggedTables t;
    SetDictionaryText(t.tables.SelectedLanguageTable, 101, "A");
    SetDictionaryText(t.tables.DefaultLanguageTable, 101, "B");
    t.tables.CurrentResourceFile = "/x/y.lng";
    SelectEnglishLanguage(t.tables);
    EXPECT_TRUE(t.tables.SelectedLanguageTable.empty());
    EXPECT_TRUE(t.tables.DefaultLanguageTable.empty());
    EXPECT_EQ(t.tables.CurrentResourceFile, "");
    EXPECT_EQ(LookupResourceText(t.tables, 101), "Save This Shell");
}
