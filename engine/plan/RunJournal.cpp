#include "engine/plan/RunJournal.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/Files.h"
#include "platform/TextCodec.h"

namespace plyx::engine {

std::string JournalPath(app::Environment& env) {
    return env.GetDataDirectory() + "/" + env.PerPortPrefix + "run.journal";
}

namespace {

constexpr const char* kHeading = "PLYX3 run journal";
// Far beyond any real journal: a bigger file is not one.
constexpr std::size_t kMaxJournalBytes = 64 * 1024;

std::string Number(double value) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", value);
    return buf;
}

bool ToInteger(const std::string& text, long long& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

bool ToReal(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v) || v < 0) return false;
    out = v;
    return true;
}

}  // namespace

std::string JournalText(const JournalEntry& e) {
    std::string t = std::string(kHeading) + "\n";
    t += "start=" + std::to_string(static_cast<long long>(e.start)) + "\n";
    t += "updated=" + std::to_string(static_cast<long long>(e.updated)) + "\n";
    t += "port=" + platform::WithoutControlCharacters(e.port) + "\n";
    t += "model=" + platform::WithoutControlCharacters(e.model) + "\n";
    t += "shell_file=" + platform::WithoutControlCharacters(e.shellFile) + "\n";
    t += std::string("kind=") + (e.burnish ? "burnish" : "full") + "\n";
    t += "layers_planned=" + std::to_string(e.layersPlanned) + "\n";
    t += "layer_reached=" + std::to_string(e.layerReached) + "\n";
    t += "tape_planned_in=" + Number(e.tapePlannedInches) + "\n";
    t += "tape_laid_in=" + Number(e.tapeLaidInches) + "\n";
    return t;
}

std::optional<JournalEntry> ParseJournal(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeading) return std::nullopt;
    JournalEntry e;
    int seen = 0;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) return std::nullopt;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        long long n = 0;
        bool ok = true;
        if (key == "start" || key == "updated") {
            ok = ToInteger(value, n) && n >= 0;
            (key == "start" ? e.start : e.updated) = static_cast<std::time_t>(n);
        } else if (key == "port") {
            e.port = value;
        } else if (key == "model") {
            e.model = value;
        } else if (key == "shell_file") {
            e.shellFile = value;
        } else if (key == "kind") {
            ok = value == "full" || value == "burnish";
            e.burnish = value == "burnish";
        } else if (key == "layers_planned" || key == "layer_reached") {
            ok = ToInteger(value, n) && n >= 0 && n <= 1000000000;
            (key == "layers_planned" ? e.layersPlanned : e.layerReached) = static_cast<std::int32_t>(n);
        } else if (key == "tape_planned_in") {
            ok = ToReal(value, e.tapePlannedInches);
        } else if (key == "tape_laid_in") {
            ok = ToReal(value, e.tapeLaidInches);
        } else {
            continue;  // written by a later version: what this one knows is enough
        }
        if (!ok) return std::nullopt;
        ++seen;
    }
    if (seen < 10 || e.updated < e.start) return std::nullopt;
    return e;
}

// The journal is the program's own file: a link in its place is never
// followed (nobody has a reason to make one), only taken away.
bool RunJournal::Write(const JournalEntry& entry, std::string* why) const {
    if (platform::IsSymlink(path_)) platform::DeleteFile(path_);
    return platform::WriteFileAtomically(path_, JournalText(entry), why);
}

std::optional<JournalEntry> RunJournal::Read() const {
    if (platform::IsSymlink(path_)) return std::nullopt;
    std::optional<std::string> text = platform::ReadWholeFile(path_, nullptr, kMaxJournalBytes);
    if (!text) return std::nullopt;
    return ParseJournal(*text);
}

void RunJournal::Remove() const { platform::DeleteFile(path_); }

}  // namespace plyx::engine
