#include "status/StatusJson.h"

#include <cmath>
#include <cstdio>

#include "status/TextEscape.h"

namespace plyx::status {
namespace {

// Builds one object, commas and all.
class JsonObject {
public:
    JsonObject& Raw(std::string_view key, const std::string& json) {
        text_ += first_ ? "{" : ",";
        first_ = false;
        text_ += JsonString(key);
        text_ += ':';
        text_ += json;
        return *this;
    }
    JsonObject& Str(std::string_view key, std::string_view v) { return Raw(key, JsonString(v)); }
    JsonObject& Num(std::string_view key, double v) { return Raw(key, JsonNumber(v)); }
    JsonObject& Bool(std::string_view key, bool v) { return Raw(key, v ? "true" : "false"); }
    JsonObject& Opt(std::string_view key, const std::optional<double>& v) {
        return Raw(key, v ? JsonNumber(*v) : "null");
    }
    std::string Take() { return first_ ? "{}" : std::move(text_) + "}"; }

private:
    std::string text_;
    bool first_ = true;
};

std::string CountMap(const std::map<std::string, std::uint64_t>& m) {
    JsonObject o;
    for (const auto& [k, v] : m) o.Num(k, static_cast<double>(v));
    return o.Take();
}

std::string RunJson(const RecordedRun& r, bool metres) {
    return JsonObject()
        .Str("start", r.start)
        .Str("end", r.end)
        .Str("shell_file", r.shellFile)
        .Str("kind", r.kind)
        .Num("layers_planned", r.layersPlanned)
        .Num("layers_reached", r.layersReached)
        .Num("tape_planned_ft", r.tapePlannedFeet)
        .Num("tape_laid_ft", r.tapeLaidFeet)
        .Str("tape_text", TapeText(r.tapeLaidFeet * 12, metres))
        .Num("duration_s", static_cast<double>(r.seconds))
        .Str("duration_text", ClockText(static_cast<double>(r.seconds)))
        .Str("outcome", r.outcome)
        .Str("outcome_text", r.outcomeText)
        .Str("error_number", r.errorNumber)
        .Take();
}

std::string CountersJson(const MachineCounters& c, bool metres) {
    JsonObject o;
    o.Opt("run_hours", c.runHours).Opt("tape_ft", c.tapeFeet).Raw("runs_by_outcome", CountMap(c.runsByOutcome));
    o.Opt("service_hours", c.hoursSinceService).Opt("service_tape_ft", c.tapeFeetSinceService);
    o.Opt("roll_ft_left", c.rollFeetLeft);
    // The page shows these as they are: in the operator's unit.
    auto tape = [metres](const std::optional<double>& feet) { return feet ? TapeText(*feet * 12, metres) : ""; };
    o.Str("tape_text", tape(c.tapeFeet))
        .Str("service_tape_text", tape(c.tapeFeetSinceService))
        .Str("roll_text", tape(c.rollFeetLeft));
    return o.Take();
}

}  // namespace

std::string ClockText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    const auto s = static_cast<long long>(std::llround(seconds));
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return buf;
}

std::string TapeText(double inches, bool metres) {
    if (!std::isfinite(inches)) inches = 0;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.1f", metres ? inches * 0.0254 : inches / 12.0);
    return buf;
}

std::string StatusJson(const StatusSnapshot& s) {
    JsonObject o;
    o.Str("port", s.port).Str("version", s.version).Str("model", s.model);
    o.Str("state", PhaseName(s.phase)).Str("state_text", s.stateText);
    o.Bool("run_known", s.runKnown).Str("kind", s.burnish ? "burnish" : "full").Str("shell_file", s.shellFile);
    o.Num("layer_queued", s.layerQueued).Num("layer_running", s.layerRunning).Num("layers_planned", s.layersPlanned);
    o.Num("tape_laid_ft", s.tapeLaidInches / 12).Num("tape_planned_ft", s.tapePlannedInches / 12);
    o.Num("progress", s.Progress());
    o.Opt("seconds_left", s.secondsLeft).Num("elapsed_s", static_cast<double>(s.elapsedSeconds));
    o.Num("moves_planned", static_cast<double>(s.movesPlanned))
        .Num("moves_queued", static_cast<double>(s.movesQueued))
        .Num("moves_run", static_cast<double>(s.movesRun));
    // What the page shows, ready in the operator's unit.
    o.Str("tape_unit", s.metres ? "m" : "ft")
        .Str("tape_laid_text", TapeText(s.tapeLaidInches, s.metres))
        .Str("tape_planned_text", TapeText(s.tapePlannedInches, s.metres))
        .Str("time_left_text", s.secondsLeft ? ClockText(*s.secondsLeft) : "")
        .Str("elapsed_text", ClockText(static_cast<double>(s.elapsedSeconds)));

    std::map<std::string, std::uint64_t> runs;
    for (const char* outcome : kRecordOutcomes) runs[outcome] = 0;
    for (const auto& [k, v] : s.runsByOutcome) runs[k] = v;
    o.Raw("runs_by_outcome", CountMap(runs));
    o.Num("total_tape_ft", s.totalTapeInches / 12);
    JsonObject errors;
    for (const auto& [number, n] : s.boardErrors) errors.Num(std::to_string(number), static_cast<double>(n));
    o.Raw("board_errors", errors.Take());
    o.Num("lost_moves_detections", static_cast<double>(s.lostMoveDetections));
    o.Num("log_failures", static_cast<double>(s.logFailures));

    const RoundTripHistogram& h = s.linkRoundTrip;
    std::string buckets = "[";
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i <= RoundTripHistogram::kBounds.size(); ++i) {
        cumulative += h.counts[i];
        if (i > 0) buckets += ',';
        buckets += JsonObject()
                       .Raw("le", i < RoundTripHistogram::kBounds.size() ? JsonNumber(RoundTripHistogram::kBounds[i])
                                                                          : JsonString("+Inf"))
                       .Num("count", static_cast<double>(cumulative))
                       .Take();
    }
    buckets += "]";
    o.Raw("link_round_trip", JsonObject().Num("count", static_cast<double>(h.count)).Num("sum_s", h.sum).Raw("buckets", buckets).Take());

    std::string last = "[";
    for (std::size_t i = 0; i < s.lastRuns.size(); ++i) {
        if (i > 0) last += ',';
        last += RunJson(s.lastRuns[i], s.metres);
    }
    o.Raw("last_runs", last + "]");
    o.Raw("counters", s.counters ? CountersJson(*s.counters, s.metres) : "null");
    return o.Take();
}

}  // namespace plyx::status
