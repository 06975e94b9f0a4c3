#include "engine/plan/RunJournal.h"

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

}  // namespace

std::string JournalText(const JournalEntry& e) {
    using platform::ExactRealText, platform::WithoutControlCharacters;
    return platform::KeyValueText(
        kHeading, {{"start", std::to_string(static_cast<long long>(e.start))},
                   {"updated", std::to_string(static_cast<long long>(e.updated))},
                   {"port", WithoutControlCharacters(e.port)},
                   {"model", WithoutControlCharacters(e.model)},
                   {"shell_file", WithoutControlCharacters(e.shellFile)},
                   {"kind", e.burnish ? "burnish" : "full"},
                   {"layers_planned", std::to_string(e.layersPlanned)},
                   {"layer_reached", std::to_string(e.layerReached)},
                   {"tape_planned_in", ExactRealText(e.tapePlannedInches)},
                   {"tape_laid_in", ExactRealText(e.tapeLaidInches)}});
}

std::optional<JournalEntry> ParseJournal(const std::string& text) {
    using platform::ReadInteger, platform::ReadNonNegativeReal;
    const std::optional<platform::KeyValues> values = platform::ParseKeyValueText(text, kHeading);
    if (!values) return std::nullopt;
    JournalEntry e;
    int seen = 0;
    for (const auto& [key, value] : *values) {
        long long n = 0;
        bool ok = true;
        if (key == "start" || key == "updated") {
            ok = ReadInteger(value, n) && n >= 0;
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
            ok = ReadInteger(value, n) && n >= 0 && n <= 1000000000;
            (key == "layers_planned" ? e.layersPlanned : e.layerReached) = static_cast<std::int32_t>(n);
        } else if (key == "tape_planned_in") {
            ok = ReadNonNegativeReal(value, e.tapePlannedInches);
        } else if (key == "tape_laid_in") {
            ok = ReadNonNegativeReal(value, e.tapeLaidInches);
        } else {
            continue;  // written by a later version: what this one knows is enough
        }
        if (!ok) return std::nullopt;
        ++seen;
    }
    if (seen < 10 || e.updated < e.start) return std::nullopt;
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
