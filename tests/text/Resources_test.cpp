#include "text/Resources.h"

#include <gtest/gtest.h>

#include <set>
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

TEST(ResourceLookup, SelectedThenDefaultThenInternal) {
    LoggedTables t;
    SetDictionaryText(t.tables.SelectedLanguageTable, 101, "Selected");
    SetDictionaryText(t.tables.DefaultLanguageTable, 101, "Default");
    SetDictionaryText(t.tables.DefaultLanguageTable, 102, "Default only");
    EXPECT_EQ(LookupResourceText(t.tables, 101), "Selected");
    EXPECT_EQ(LookupResourceText(t.tables, 102), "Default only");
    EXPECT_EQ(LookupResourceText(t.tables, 103), "Exit Program");
}

TEST(ResourceLookup, EmptyTextInALanguageTableWins) {
    LoggedTables t;
    SetDictionaryText(t.tables.DefaultLanguageTable, 106, "");
    EXPECT_EQ(LookupResourceText(t.tables, 106), "");
    EXPECT_EQ(GetResourceText(t.tables, 106, "<", ">"), "<>");
}

TEST(ResourceLookup, UnknownIdIsMarkedNotReported) {
    LoggedTables t;
    EXPECT_EQ(LookupResourceText(t.tables, 999), "?999?");
    EXPECT_EQ(LookupResourceText(t.tables, -5), "?-5?");
    EXPECT_EQ(GetResourceText(t.tables, 999), "?999?");
}

TEST(ResourceLookup, LaterEntryReplacesEarlier) {
    TextTable table;
    SetDictionaryText(table, 101, "one");
    SetDictionaryText(table, 101, "two");
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.at("101"), "two");
    ClearDictionary(table);
    EXPECT_TRUE(table.empty());
}

TEST(ResourceComposition, LeaderAndTrailerAroundText) {
    LoggedTables t;
    EXPECT_EQ(GetResourceText(t.tables, 100, "COM3: ", ""), "COM3: PLYX3");
    EXPECT_EQ(GetResourceText(t.tables, 107, "COM3: ", " MODEL-A"), "COM3: Model MODEL-A");
}

TEST(ResourceComposition, ShowResourceIdsMarksOnlyTheResourceText) {
    LoggedTables t;
    t.tables.ShowResourceIDs = true;
    EXPECT_EQ(GetResourceText(t.tables, 100, "COM3: ", ""), "COM3: (100:PLYX3)");
    EXPECT_EQ(GetResourceText(t.tables, 706), "(706:Pause)");
    EXPECT_EQ(GetResourceText(t.tables, 108, "6 ", "!"), "6 (108:inches)!");
    EXPECT_EQ(GetResourceText(t.tables, 999), "(999:?999?)");
}

TEST(ResourceComposition, EveryCompositionIsLoggedWithItsCodeUnits) {
    LoggedTables t;
    GetResourceText(t.tables, 706, "", "");
    std::vector<std::string> expected = {"Loaded Resource 706:Pause", "...(P)==>80", "...(a)==>97",
                                         "...(u)==>117", "...(s)==>115", "...(e)==>101"};
    EXPECT_EQ(t.lines, expected);
}

TEST(ResourceComposition, LogShowsNonAsciiCodeUnitsAndSurrogateHalves) {
    LoggedTables t;
    LogResourceText(t.tables, "H", "\xCE\xB1\xF0\x9F\x98\x80");  // alpha, then U+1F600
    ASSERT_EQ(t.lines.size(), 4u);
    EXPECT_EQ(t.lines[0], "H:\xCE\xB1\xF0\x9F\x98\x80");
    EXPECT_EQ(t.lines[1], "...(\xCE\xB1)==>945");
    EXPECT_EQ(t.lines[2], "...(\xEF\xBF\xBD)==>55357");
    EXPECT_EQ(t.lines[3], "...(\xEF\xBF\xBD)==>56832");
}

TEST(ResourceComposition, NoLogSinkMeansNothingLogged) {
    TextTables tables;
    LoadInternalDictionary(tables, "PLYX3");
    EXPECT_EQ(GetResourceText(tables, 101), "Save This Shell");
}

TEST(ResourceMessage, ShowsComposedTextWithOkAndTheGivenTitle) {
    LoggedTables t;
    plyx::platform::FakeDialogs dialogs;
    ShowResourceMessage(t.tables, dialogs, "PLYX3", 800, "Speed: ", "");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Speed: must be > 0");
    EXPECT_EQ(dialogs.messages[0].title, "PLYX3");
    EXPECT_EQ(dialogs.messages[0].buttons, plyx::platform::MessageButtons::Ok);
}

TEST(InternalDictionary, NinetyTextsInTheirGroups) {
    TextTables tables;
    LoadInternalDictionary(tables, "PLYX3");
    EXPECT_EQ(tables.InternalDictionary.size(), 90u);
    std::set<int> ids;
    for (const auto& [key, text] : tables.InternalDictionary) ids.insert(std::stoi(key));
    auto range = [&](int from, int to) {
        for (int i = from; i <= to; ++i)
            if (!ids.count(i)) return false;
        return true;
    };
    EXPECT_TRUE(range(100, 111));
    EXPECT_TRUE(range(200, 204));
    EXPECT_TRUE(range(300, 305));
    EXPECT_TRUE(range(400, 414));
    EXPECT_TRUE(range(500, 508));
    EXPECT_TRUE(range(600, 608));
    EXPECT_TRUE(range(700, 713));
    EXPECT_TRUE(range(800, 819));
}

TEST(InternalDictionary, ExactWordingOfSelectedTexts) {
    TextTables tables;
    LoadInternalDictionary(tables, "PLYX3");
    const TextTable& t = tables.InternalDictionary;
    EXPECT_EQ(t.at("608"),
              "The system has detected that the switches as shown on this dialog are currently closed "
              "(actuated).  Please open them so that the code can proceed.");
    EXPECT_EQ(t.at("815"),
              "Could not locate your common documents directory! Please reinstall PLYX3 while logged in "
              "as an administrator.");
    EXPECT_EQ(t.at("812"), "...Hex error code =");
    EXPECT_EQ(t.at("202"), "Save &As...");
    EXPECT_EQ(t.at("713"), "<shell data not saved>");
    EXPECT_EQ(t.at("819"), "Requested Language file is not properly formatted");
    const std::string& copyright = t.at("508");
    EXPECT_EQ(copyright.substr(copyright.size() - 2), "By");
    EXPECT_EQ(copyright.find('\n'), std::string::npos);
}

TEST(InternalDictionary, ProgramNameShapesItsTexts) {
    TextTables tables;
    LoadInternalDictionary(tables, "WRAPPER");
    const TextTable& t = tables.InternalDictionary;
    EXPECT_EQ(t.at("100"), "WRAPPER");
    EXPECT_EQ(t.at("400"), "WRAPPER Shell Options");
    EXPECT_EQ(t.at("505"), "WRAPPER");
    EXPECT_EQ(t.at("700"), "WRAPPER Running...");
    EXPECT_EQ(t.at("801"), "Available WRAPPER Models (*.cf)");
    EXPECT_EQ(t.at("802"), "WRAPPER Files (*.cfg, *.fin)");
    EXPECT_EQ(t.at("805"), "You have not yet selected a WRAPPER Model.");
    EXPECT_EQ(t.at("808"), "Missing WRAPPER Model");
    EXPECT_EQ(t.at("817"), "Could not create your WRAPPER data directory");
    EXPECT_EQ(t.at("507"), "OW LLC");
}

TEST(InternalDictionary, CompanyNameForPlyxPrograms) {
    TextTables tables;
    LoadInternalDictionary(tables, "PLYX3");
    EXPECT_EQ(tables.InternalDictionary.at("507"), "Orvane Works LLC");
    LoadInternalDictionary(tables, "PLYXTRA");
    EXPECT_EQ(tables.InternalDictionary.at("507"), "Orvane Works LLC");
    LoadInternalDictionary(tables, "PLY");
    EXPECT_EQ(tables.InternalDictionary.at("507"), "OW LLC");
    EXPECT_EQ(tables.InternalDictionary.size(), 90u);  // reloading starts afresh
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
