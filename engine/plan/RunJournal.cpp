#include "engine/plan/RunJournal.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>

#include "platform/Files.h"
#include "platform/KeyValueText.h"
#include "platform/TextCodec.h"

namespace plyx::engine {

std::string JournalPath(app::Environment& env) {
    return env.GetDataDirectory() + "/" + env.PerPortPrefix + "run.journal";
}

namespace {

constexpr const char* kHeading = "PLYX3 run journal";
// Far beyond any real journal: a bigger file is not one.
constexpr std::size_t kMaxJournalBytes = 64 * 1024;
// The keys every journal has, each once at least; the others came later and
// have defaults.
constexpr const char* kRequiredKeys[] = {"start",         "updated",       "port",           "model",
                                         "shell_file",    "kind",          "layers_planned", "layer_reached",
                                         "tape_planned_in", "tape_laid_in"};
constexpr unsigned kAllRequired = (1u << std::size(kRequiredKeys)) - 1;
// The board's positions at the start: all four or none.
constexpr const char* kPositionKeys[] = {"start_x", "start_y", "origin_x", "origin_y"};

// The bit of key in keys, 0 when it is none of them.
template <std::size_t N>
unsigned KeyBit(const std::string& key, const char* const (&keys)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (key == keys[i]) return 1u << i;
    return 0;
}

std::string Number(double value) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", value);
    return buf;
}

bool ToReal(const std::string& text, double& out, bool negativeToo = false) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v) || (v < 0 && !negativeToo)) return false;
    out = v;
    return true;
}

// "move,layer,fraction"
bool ToScaleChange(const std::string& text, ScaleChange& out) {
    const std::size_t a = text.find(',');
    const std::size_t b = a == std::string::npos ? a : text.find(',', a + 1);
    if (b == std::string::npos) return false;
    long long move = 0, layer = 0;
    return platform::ReadInteger(text.substr(0, a), move) && move >= 0 &&
           platform::ReadInteger(text.substr(a + 1, b - a - 1), layer) &&
           layer >= 0 && layer <= 1000000000 && ToReal(text.substr(b + 1), out.fraction, true) &&
           (out.beforeMove = move, out.fromLayer = static_cast<std::int32_t>(layer), true);
}

std::string Clean(const std::string& text) { return platform::WithoutControlCharacters(text); }

}  // namespace

std::string JournalText(const JournalEntry& e) {
    std::string t = std::string(kHeading) + "\n";
    auto line = [&t](const std::string& key, const std::string& value) { t += key + "=" + value + "\n"; };
    line("start", std::to_string(static_cast<long long>(e.start)));
    line("updated", std::to_string(static_cast<long long>(e.updated)));
    line("port", Clean(e.port));
    line("model", Clean(e.model));
    line("shell_file", Clean(e.shellFile));
    line("kind", e.burnish ? "burnish" : "full");
    line("layers_planned", std::to_string(e.layersPlanned));
    line("layer_reached", std::to_string(e.layerReached));
    line("tape_planned_in", Number(e.tapePlannedInches));
    line("tape_laid_in", Number(e.tapeLaidInches));
    line("finishing_file", Clean(e.finishingFile));
    line("outcome", Clean(e.outcome));
    line("error", Clean(e.error));
    line("recorded", e.recorded ? "1" : "0");
    line("resumed_from", std::to_string(e.resumedFrom));
    line("moves_run", std::to_string(e.movesRun));
    line("capacity", std::to_string(e.capacity));
    if (e.positionKnown) {
        line("start_x", std::to_string(e.startX));
        line("start_y", std::to_string(e.startY));
        line("origin_x", std::to_string(e.originX));
        line("origin_y", std::to_string(e.originY));
    }
    for (const ScaleChange& c : e.scaleChanges)
        line("scale", std::to_string(c.beforeMove) + "," + std::to_string(c.fromLayer) + "," + Number(c.fraction));
    for (const auto& [key, value] : e.parameters) line("param." + Clean(key), Clean(value));
    for (const std::string& fin : e.finishingLines) line("fin", Clean(fin));
    return t;
}

std::optional<JournalEntry> ParseJournal(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeading) return std::nullopt;
    JournalEntry e;
    unsigned seen = 0;
    unsigned positions = 0;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) return std::nullopt;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        long long n = 0;
        bool ok = true;
        seen |= KeyBit(key, kRequiredKeys);
        if (key == "start" || key == "updated") {
            ok = platform::ReadInteger(value, n) && n >= 0;
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
            ok = platform::ReadInteger(value, n) && n >= 0 && n <= 1000000000;
            (key == "layers_planned" ? e.layersPlanned : e.layerReached) = static_cast<std::int32_t>(n);
        } else if (key == "tape_planned_in") {
            ok = ToReal(value, e.tapePlannedInches);
        } else if (key == "tape_laid_in") {
            ok = ToReal(value, e.tapeLaidInches);
        } else {
            if (key == "finishing_file") {
                e.finishingFile = value;
            } else if (key == "outcome") {
                e.outcome = value;
            } else if (key == "error") {
                e.error = value;
            } else if (key == "recorded") {
                ok = value == "0" || value == "1";
                e.recorded = value == "1";
            } else if (key == "resumed_from" || key == "capacity") {
                ok = platform::ReadInteger(value, n) && n >= 0 && n <= 1000000000;
                (key == "capacity" ? e.capacity : e.resumedFrom) = static_cast<std::int32_t>(n);
            } else if (key == "moves_run") {
                ok = platform::ReadInteger(value, n) && n >= 0;
                e.movesRun = n;
            } else if (key == "start_x" || key == "start_y" || key == "origin_x" || key == "origin_y") {
                ok = platform::ReadInteger(value, n);
                positions |= KeyBit(key, kPositionKeys);
                (key == "start_x" ? e.startX : key == "start_y" ? e.startY : key == "origin_x" ? e.originX : e.originY) = n;
            } else if (key == "scale") {
                ScaleChange c;
                ok = ToScaleChange(value, c);
                e.scaleChanges.push_back(c);
            } else if (key.rfind("param.", 0) == 0) {
                ok = key.size() > 6;
                e.parameters.emplace_back(key.substr(6), value);
            } else if (key == "fin") {
                e.finishingLines.push_back(value);
            }
            // Any other key was written by a later version: what this one knows is enough.
        }
        if (!ok) return std::nullopt;
    }
    if (seen != kAllRequired || e.updated < e.start) return std::nullopt;
    if (positions != 0 && positions != 15) return std::nullopt;
    e.positionKnown = positions == 15;
    return e;
}

// The journal is the program's own file: a link in its place is taken away.
bool RunJournal::Write(const JournalEntry& entry, std::string* why) const {
    return platform::WriteOwnFile(path_, JournalText(entry), why);
}

std::optional<JournalEntry> RunJournal::Read() const {
    std::optional<std::string> text = platform::ReadOwnFile(path_, kMaxJournalBytes);
    if (!text) return std::nullopt;
    return ParseJournal(*text);
}

void RunJournal::Remove() const { platform::DeleteFile(path_); }

}  // namespace plyx::engine
