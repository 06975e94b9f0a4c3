#include "engine/machine/RecordLines.h"


#include "platform/Csv.h"
#include "platform/Files.h"
#include "platform/KeyValueText.h"

namespace plyx::engine {

namespace {
// The run's line is among the last: a killed run gets its line at the next start.
constexpr std::size_t kTailBytes = 1 << 20;
}  // namespace

std::optional<RecordedRun> FindRecordedRun(const std::string& recordPath, const std::string& start) {
    std::optional<std::string> tail = platform::ReadFileTail(recordPath, kTailBytes);
    if (!tail) return std::nullopt;
    // A tail cut in the middle begins with part of a line: from the next line on.
    if (tail->size() == kTailBytes) tail->erase(0, tail->find('\n') + 1);
    const auto lines = platform::ParseCsv(*tail);
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
