// Language files: a "PLYX3RESOURCES" header line, then "ID,text" lines, in
// UTF-16 or in 8-bit text.
#include "app/LanguageFiles.h"

#include <cerrno>
#include <cstdint>

#include "app/Environment.h"
#include "app/Numbers.h"
#include "app/TextFiles.h"
#include "platform/TextCodec.h"
#include "text/Resources.h"

namespace plyx::text {
namespace {

constexpr std::string_view kHeader = "PLYX3RESOURCES";

// UTF-16 little-endian bytes as UTF-8; a byte-order mark is skipped and an
// odd last byte dropped.
std::string DecodeUtf16Le(std::string_view bytes) {
    std::size_t start = 0;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        start = 2;
    std::u16string units;
    units.reserve((bytes.size() - start) / 2);
    for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return platform::Utf16ToUtf8(units);
}

// 8-bit text as UTF-8; a UTF-8 byte-order mark (as some editors write) is skipped.
std::string DecodeEightBitFile(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return platform::DecodeEightBit(bytes);
}

// The ID of a resource line: the text before the first comma (which must not
// be the first character) is a number that fits a 16-bit ID.
std::optional<ResourceId> ResourceLineId(std::string_view line, std::size_t comma) {
    if (comma == std::string_view::npos || comma == 0) return std::nullopt;
    std::string_view head = line.substr(0, comma);
    if (!app::IsNumeric(head)) return std::nullopt;
    return app::ToInt16(app::Val(head));
}

}  // namespace

std::int16_t LoadSelectedResourceFile(app::Environment& env, std::string& path) {
    return LoadResourceFile(env, env.Tables().SelectedLanguageTable, path);
}

std::int16_t LoadResourceFile(app::Environment& env, TextTable& table, std::string& path) {
    ClearDictionary(table);
    path = std::string(app::TrimSpaces(path));
    env.Tables().CurrentResourceFile.clear();
    if (path.empty()) return 0;
    env.LogLine("Attempting to open external resource file " + path);
    std::int16_t result = ParseResourceFile(env, table, path, true);
    if (result != -1) return result;
    result = ParseResourceFile(env, table, path, false);
    if (result == -1) {
        env.LogLine("FAILED TO PARSE " + path + "-- contents are not valid for use as a resource file");
        env.ShowResourceMessage(819, "", "\r\n" + path);
    }
    return result;
}

std::int16_t ParseResourceFile(app::Environment& env, TextTable& table, const std::string& path, bool unicode) {
    int err = 0;
    std::optional<std::string> bytes = app::ReadFileBytes(path, err, app::kMaxLanguageFileBytes);
    if (!bytes) {
        env.ShowErrorReport("Failed to open " + path + " as a resource file",
                            app::FileErrorFromErrno(err, env.ProgramName,
                                                    err == EFBIG ? "File too large (over 4 MB)" : ""));
        return 1;
    }
    const std::string text = unicode ? DecodeUtf16Le(*bytes) : DecodeEightBitFile(*bytes);
    bytes.reset();
    if (text.empty()) {
        env.LogLine("Resource file " + path + " is empty");
        return 1;
    }
    const std::vector<std::string_view> lines = app::SplitLines(text);
    if (lines.empty() || app::TrimSpaces(lines[0]) != kHeader) return -1;

    env.Tables().CurrentResourceFile = path;
    // Wider than the 16-bit line numbers of old, so a long file cannot overflow it.
    std::int64_t counter = 1;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string_view line = app::TrimSpaces(lines[i]);
        ++counter;
        std::size_t comma = line.find(',');
        std::optional<ResourceId> id = ResourceLineId(line, comma);
        if (!id) {
            env.LogLine("Line " + std::to_string(counter) + ": Not a resource line. Text=" + std::string(line));
            continue;
        }
        std::string resource(app::TrimSpaces(line.substr(comma + 1)));
        env.LogLine("Line " + std::to_string(counter) + ": Resource " + std::to_string(*id) + "=");
        env.LogLine(resource);
        SetDictionaryText(table, *id, std::move(resource));
    }
    env.LogLine(std::to_string(counter) + " text lines processed");
    return 0;
}

}  // namespace plyx::text
