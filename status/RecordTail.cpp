#include "status/RecordTail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/Csv.h"

namespace plyx::status {
namespace {

// Enough for some hundred lines: the page lists a few.
constexpr off_t kTailBytes = 64 * 1024;

std::int64_t Whole(const std::string& s) { return std::strtoll(s.c_str(), nullptr, 10); }
double Real(const std::string& s) { return std::strtod(s.c_str(), nullptr); }

}  // namespace

std::vector<RecordedRun> ReadRecordTail(const std::string& path, std::size_t count, bool followLinks) {
    // Non-blocking: a pipe put where the record belongs must not hold the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0) return {};
    struct stat st {};
    std::string text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const off_t from = std::max<off_t>(0, st.st_size - kTailBytes);
        text.resize(static_cast<std::size_t>(st.st_size - from));
        const ssize_t n = ::pread(fd, text.data(), text.size(), from);
        text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        // Cut into a line: start at the next whole one.
        if (from > 0) {
            const std::size_t lf = text.find('\n');
            text.erase(0, lf == std::string::npos ? text.size() : lf + 1);
        }
    }
    ::close(fd);
    std::vector<RecordedRun> runs;
    const std::vector<std::vector<std::string>> records = platform::ParseCsv(text);
    for (auto it = records.rbegin(); it != records.rend() && runs.size() < count; ++it) {
        const std::vector<std::string>& f = *it;
        if (f.size() < 12 || f[0] == "start") continue;
        RecordedRun r;
        r.start = f[0];
        r.end = f[1];
        r.shellFile = f[4];
        r.kind = f[5];
        r.layersPlanned = static_cast<std::int32_t>(Whole(f[6]));
        r.layersReached = static_cast<std::int32_t>(Whole(f[7]));
        r.tapePlannedFeet = Real(f[8]);
        r.tapeLaidFeet = Real(f[9]);
        r.seconds = Whole(f[10]);
        r.outcome = f[11];
        r.errorNumber = f.size() > 12 ? f[12] : "";
        runs.push_back(std::move(r));
    }
    return runs;
}

}  // namespace plyx::status
