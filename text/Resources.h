#pragma once
// Every text the operator sees, fetched by number. Three tables are searched
// in order: the language file the operator selected, default.lng, and the
// built-in English texts, which always answer.
//
// Text is UTF-8 in std::string. Keys are the ID in plain decimal ("101").
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

namespace plyx::platform {
class Dialogs;
}

namespace plyx::text {

using ResourceId = std::int16_t;
using TextTable = std::map<std::string, std::string>;

struct TextTables {
    TextTable SelectedLanguageTable;  // the operator's language file (or RESOURCEFILE)
    TextTable DefaultLanguageTable;   // default.lng of the data directory
    TextTable InternalDictionary;     // built-in English, see LoadInternalDictionary
    bool ShowResourceIDs = false;     // show "(id:text)" for translators
    std::string CurrentResourceFile;  // path of the last language file parsed, "" when none

    // Where composed texts and language-file progress are logged: the
    // program log (Environment wires this to its LogLine, which adds the
    // "--->" prefix). Unset: nothing is logged.
    std::function<void(std::string_view)> LogLine;
};

// Key of an ID: plain decimal, no leading zero or blank.
std::string ResourceKey(ResourceId id);

// The text stored for id: selected table, then default table, then the
// internal dictionary; "?" + key + "?" when none holds it. An entry with an
// empty text counts as present.
std::string LookupResourceText(const TextTables& tables, ResourceId id);

// leader + [ "(" key ":" ] text [ ")" ] + trailer, the marks only while
// ShowResourceIDs is set. Logs the result with LogResourceText under the
// heading "Loaded Resource " + key.
std::string GetResourceText(const TextTables& tables, ResourceId id, std::string_view leader = {},
                            std::string_view trailer = {});

// One log line heading + ":" + text, then one line "...(" + c + ")==>" + code
// for every UTF-16 code unit of text.
void LogResourceText(const TextTables& tables, std::string_view heading, std::string_view text);

// GetResourceText(id, leader, trailer) in a message box with an OK button;
// title is the program's default message title (its ProgramName).
void ShowResourceMessage(const TextTables& tables, platform::Dialogs& dialogs, std::string_view title,
                         ResourceId id, std::string_view leader = {}, std::string_view trailer = {});

// Stores text under id, replacing an earlier entry.
// text with "%1", "%2", ... replaced by the given texts in that order, in
// one pass (a "%2" inside a text filled in for "%1" stays as it is).
std::string FillTexts(std::string_view text, std::initializer_list<std::string_view> texts);

void SetDictionaryText(TextTable& table, ResourceId id, std::string text);
void ClearDictionary(TextTable& table);

// Empties the internal dictionary and fills it with the English texts (the
// 90 of the windows, then those of the simulator's panel), those that name
// the program built from programName.
void LoadInternalDictionary(TextTables& tables, std::string_view programName);

// Empties both language tables and forgets CurrentResourceFile.
void SelectEnglishLanguage(TextTables& tables);

}  // namespace plyx::text
