#include "text/Resources.h"

#include "platform/Dialogs.h"
#include "platform/TextCodec.h"

namespace plyx::text {

std::string ResourceKey(ResourceId id) { return std::to_string(id); }

std::string LookupResourceText(const TextTables& tables, ResourceId id) {
    const std::string key = ResourceKey(id);
    for (const TextTable* table : {&tables.SelectedLanguageTable, &tables.DefaultLanguageTable,
                                   &tables.InternalDictionary}) {
        auto it = table->find(key);
        if (it != table->end()) return it->second;
    }
    return "?" + key + "?";
}

std::string GetResourceText(const TextTables& tables, ResourceId id, std::string_view leader,
                            std::string_view trailer) {
    const std::string key = ResourceKey(id);
    std::string text(leader);
    if (tables.ShowResourceIDs) text += "(" + key + ":";
    text += LookupResourceText(tables, id);
    if (tables.ShowResourceIDs) text += ")";
    text.append(trailer);
    LogResourceText(tables, "Loaded Resource " + key, text);
    return text;
}

void LogResourceText(const TextTables& tables, std::string_view heading, std::string_view text) {
    if (!tables.LogLine) return;
    std::string first(heading);
    first += ":";
    first.append(text);
    tables.LogLine(first);
    const std::u16string units = platform::Utf8ToUtf16(text);
    for (char16_t unit : units) {
        // Half of a surrogate pair has no character of its own.
        std::string shown = (unit >= 0xD800 && unit <= 0xDFFF) ? std::string("\xEF\xBF\xBD")
                                                                  : platform::Utf16ToUtf8(std::u16string(1, unit));
        tables.LogLine("...(" + shown + ")==>" + std::to_string(static_cast<unsigned>(unit)));
    }
}

void ShowResourceMessage(const TextTables& tables, platform::Dialogs& dialogs, std::string_view title,
                         ResourceId id, std::string_view leader, std::string_view trailer) {
    dialogs.ShowMessage(GetResourceText(tables, id, leader, trailer), std::string(title),
                        platform::MessageButtons::Ok);
}

void SetDictionaryText(TextTable& table, ResourceId id, std::string text) {
    table.insert_or_assign(ResourceKey(id), std::move(text));
}

void ClearDictionary(TextTable& table) { table.clear(); }

void SelectEnglishLanguage(TextTables& tables) {
    ClearDictionary(tables.SelectedLanguageTable);
    ClearDictionary(tables.DefaultLanguageTable);
    tables.CurrentResourceFile.clear();
}

std::string FillTexts(std::string_view text, std::initializer_list<std::string_view> texts) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t n = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '0') : 0;
        if (text[i] == '%' && n >= 1 && n <= texts.size()) {
            out += *(texts.begin() + (n - 1));
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace plyx::text
