#include "engine/machine/RecordLines.h"


#include "platform/Files.h"
#include "platform/KeyValueText.h"

namespace plyx::engine {

namespace {
// The run's line is among the last: a killed run gets its line at the next start.
constexpr std::size_t kTailBytes = 1 << 20;
}  // namespace

std::vector<std::vector<std::string>> ParseCsvLines(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"')
                field += c;
            else if (i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else
                quoted = false;
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
            any = true;
        } else if (c == '\r' || c == '\n') {
            if (any || !field.empty()) {
                fields.push_back(std::move(field));
                lines.push_back(std::move(fields));
            }
            fields.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.empty()) {
        fields.push_back(std::move(field));
        lines.push_back(std::move(fields));
    }
    return lines;
}

std::optional<RecordedRun> FindRecordedRun(const std::string& recordPath, const std::string& start) {
    std::optional<std::string> tail = platform::ReadFileTail(recordPath, kTailBytes);
    if (!tail) return std::nullopt;
    // A tail cut in the middle begins with part of a line: from the next line on.
    if (tail->size() == kTailBytes) tail->erase(0, tail->find('\n') + 1);
    const auto lines = ParseCsvLines(*tail);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const std::vector<std::string>& f = *line;
        if (f.size() != 14 || f[0] != start) continue;
        RecordedRun run;
        run.outcome = f[11];
        long long n = 0;
        if (platform::ReadInteger(f[10], n)) run.seconds = n;
        double feet = 0;
        if (platform::ReadNonNegativeReal(f[9], feet)) run.tapeInches = feet * 12.0;
        if (platform::ReadInteger(f[12], n)) run.errorNumber = static_cast<std::int32_t>(n);
        return run;
    }
    return std::nullopt;
}

}  // namespace plyx::engine
