#include "engine/machine/MachineCounters.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "engine/LostMovesError.h"
#include "platform/KeyValueText.h"

namespace plyx::engine {

namespace {

constexpr const char* kHeading = "PLYX3 machine counters";

// Every field of the file: its key and how it is written and read.
struct Field {
    const char* key;
    std::function<std::string(const MachineFile&)> write;
    std::function<bool(MachineFile&, const std::string&)> read;
};

bool ReadCount(const std::string& v, std::int64_t& out) {
    long long n = 0;
    if (!platform::ReadInteger(v, n) || n < 0) return false;
    out = n;
    return true;
}

Field Count(const char* key, std::int64_t MachineCounters::*member) {
    return {key, [member](const MachineFile& f) { return std::to_string(f.done.*member); },
            [member](MachineFile& f, const std::string& v) { return ReadCount(v, f.done.*member); }};
}

Field Length(const char* key, double MachineCounters::*member) {
    return {key, [member](const MachineFile& f) { return platform::ExactRealText(f.done.*member); },
            [member](MachineFile& f, const std::string& v) { return platform::ReadNonNegativeReal(v, f.done.*member); }};
}

bool ReadTime(const std::string& v, std::time_t& out) {
    long long n = 0;
    if (!platform::ReadInteger(v, n) || n < 0) return false;
    out = static_cast<std::time_t>(n);
    return true;
}

const std::vector<Field>& Fields() {
    static const std::vector<Field> fields = [] {
        std::vector<Field> f{
            Count("run_seconds", &MachineCounters::runSeconds),
            Length("tape_laid_in", &MachineCounters::tapeInches),
            Count("board_errors", &MachineCounters::boardErrors),
            Count("lost_moves", &MachineCounters::lostMoves),
            Count("service_seconds", &MachineCounters::serviceSeconds),
            Length("service_tape_in", &MachineCounters::serviceTapeInches),
            {"service_reset", [](const MachineFile& m) { return std::to_string(static_cast<long long>(m.done.serviceResetAt)); },
             [](MachineFile& m, const std::string& v) { return ReadTime(v, m.done.serviceResetAt); }},
            {"roll_tracked", [](const MachineFile& m) { return std::string(m.done.rollTracked ? "1" : "0"); },
             [](MachineFile& m, const std::string& v) {
                 m.done.rollTracked = v == "1";
                 return v == "0" || v == "1";
             }},
            Length("roll_in", &MachineCounters::rollInches),
            {"open_start", [](const MachineFile& m) { return std::to_string(static_cast<long long>(m.open.start)); },
             [](MachineFile& m, const std::string& v) { return ReadTime(v, m.open.start); }},
            {"open_seconds", [](const MachineFile& m) { return std::to_string(m.open.seconds); },
             [](MachineFile& m, const std::string& v) { return ReadCount(v, m.open.seconds); }},
            {"open_tape_in", [](const MachineFile& m) { return platform::ExactRealText(m.open.tapeInches); },
             [](MachineFile& m, const std::string& v) { return platform::ReadNonNegativeReal(v, m.open.tapeInches); }},
        };
        for (std::size_t i = 0; i < kRunOutcomes.size(); ++i)
            f.push_back({kRunOutcomes[i].key, [i](const MachineFile& m) { return std::to_string(m.done.runs[i]); },
                         [i](MachineFile& m, const std::string& v) { return ReadCount(v, m.done.runs[i]); }});
        return f;
    }();
    return fields;
}

}  // namespace

std::size_t RunOutcomeIndex(const std::string& outcome) {
    for (std::size_t i = 0; i + 1 < kRunOutcomes.size(); ++i)
        if (outcome == kRunOutcomes[i].outcome) return i;
    return kRunOutcomes.size() - 1;
}

std::int64_t MachineCounters::Runs() const {
    std::int64_t n = 0;
    for (std::int64_t r : runs) n += r;
    return n;
}

std::int32_t LostMovesErrorNumber() {
    return static_cast<std::int32_t>(link::kBoardLinkErrorBase + static_cast<std::uint32_t>(LostMovesError::kNumber));
}

MachineCounters WithOpenRun(const MachineCounters& done, const OpenRun& open) {
    MachineCounters c = done;
    if (open.start == 0) return c;
    c.runSeconds += open.seconds;
    c.tapeInches += open.tapeInches;
    c.serviceSeconds += open.seconds;
    c.serviceTapeInches += open.tapeInches;
    if (c.rollTracked) c.rollInches = std::max(0.0, c.rollInches - open.tapeInches);
    return c;
}

void CountRun(MachineCounters& c, const std::string& outcome, std::int64_t seconds, double tapeInches,
              std::int32_t errorNumber) {
    seconds = std::max<std::int64_t>(0, seconds);
    tapeInches = std::isfinite(tapeInches) ? std::max(0.0, tapeInches) : 0.0;
    ++c.runs[RunOutcomeIndex(outcome)];
    c.runSeconds += seconds;
    c.tapeInches += tapeInches;
    c.serviceSeconds += seconds;
    c.serviceTapeInches += tapeInches;
    if (errorNumber != 0) ++c.boardErrors;
    if (errorNumber == LostMovesErrorNumber()) ++c.lostMoves;
    if (c.rollTracked) c.rollInches = std::max(0.0, c.rollInches - tapeInches);
}

std::string MachineText(const MachineFile& file) {
    platform::KeyValues values;
    for (const Field& f : Fields()) values.emplace_back(f.key, f.write(file));
    return platform::KeyValueText(kHeading, values);
}

std::optional<MachineFile> ParseMachine(const std::string& text) {
    const std::optional<platform::KeyValues> values = platform::ParseKeyValueText(text, kHeading);
    if (!values) return std::nullopt;
    const std::vector<Field>& fields = Fields();
    MachineFile file;
    std::vector<bool> seen(fields.size());
    for (const auto& [key, value] : *values) {
        const auto f = std::find_if(fields.begin(), fields.end(), [&](const Field& x) { return key == x.key; });
        if (f == fields.end()) continue;  // written by a later version
        if (!f->read(file, value)) return std::nullopt;
        seen[static_cast<std::size_t>(f - fields.begin())] = true;
    }
    // A file without every field is no file of counters (it is replaced
    // whole, so only an edit can leave one).
    if (std::find(seen.begin(), seen.end(), false) != seen.end()) return std::nullopt;
    return file;
}

}  // namespace plyx::engine
