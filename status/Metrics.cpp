#include "status/Metrics.h"

#include "status/TextEscape.h"

namespace plyx::status {
namespace {

constexpr double kMetresPerInch = 0.0254;
constexpr double kMetresPerFoot = 0.3048;

}  // namespace

void ExpositionWriter::Family(std::string_view name, std::string_view type, std::string_view help) {
    text_ += "# HELP ";
    text_ += name;
    text_ += ' ';
    text_ += PromHelp(help);
    text_ += "\n# TYPE ";
    text_ += name;
    text_ += ' ';
    text_ += type;
    text_ += '\n';
}

void ExpositionWriter::Sample(std::string_view name, const Labels& labels, double value) {
    text_ += name;
    bool first = true;
    for (const Labels* set : {static_cast<const Labels*>(&common_), &labels}) {
        for (const auto& [key, val] : *set) {
            text_ += first ? '{' : ',';
            first = false;
            text_ += key;
            text_ += "=\"";
            text_ += PromLabelValue(val);
            text_ += '"';
        }
    }
    if (!first) text_ += '}';
    text_ += ' ';
    text_ += PromNumber(value);
    text_ += '\n';
}

std::string MetricsText(const StatusSnapshot& s) {
    ExpositionWriter w({{"port", s.port}});

    w.Family("plyx3_info", "gauge", "The instance: program version and machine model (always 1).");
    w.Sample("plyx3_info", {{"version", s.version}, {"model", s.model}}, 1);

    w.Family("plyx3_run_state", "gauge", "1 for the state the run is in (idle between runs), 0 for the others.");
    for (RunPhase p : kAllPhases) w.Sample("plyx3_run_state", {{"state", PhaseName(p)}}, p == s.phase ? 1 : 0);

    w.Family("plyx3_layer_queued", "gauge", "Layer whose moves the program queues on the controller (the last run's, between runs).");
    w.Sample("plyx3_layer_queued", s.layerQueued);
    w.Family("plyx3_layer_running", "gauge", "Layer the controller has reached.");
    w.Sample("plyx3_layer_running", s.layerRunning);
    w.Family("plyx3_layers_planned", "gauge", "Layers the run plans, a chained finishing file's included.");
    w.Sample("plyx3_layers_planned", s.layersPlanned);

    w.Family("plyx3_tape_laid_meters", "gauge", "Tape the controller has laid in this run.");
    w.Sample("plyx3_tape_laid_meters", s.tapeLaidInches * kMetresPerInch);
    w.Family("plyx3_tape_planned_meters", "gauge", "Tape the run plans to lay.");
    w.Sample("plyx3_tape_planned_meters", s.tapePlannedInches * kMetresPerInch);
    if (s.secondsLeft) {
        w.Family("plyx3_time_left_seconds", "gauge", "Time the run has left, at its pace so far (only while a run goes).");
        w.Sample("plyx3_time_left_seconds", *s.secondsLeft);
    }
    w.Family("plyx3_run_elapsed_seconds", "gauge", "Time since the run started.");
    w.Sample("plyx3_run_elapsed_seconds", static_cast<double>(s.elapsedSeconds));

    w.Family("plyx3_run_moves_planned", "gauge", "Moves the run plans.");
    w.Sample("plyx3_run_moves_planned", static_cast<double>(s.movesPlanned));
    w.Family("plyx3_run_moves_queued", "gauge", "Moves of this run the controller has accepted.");
    w.Sample("plyx3_run_moves_queued", static_cast<double>(s.movesQueued));
    w.Family("plyx3_run_moves_run", "gauge", "Moves of this run the controller has run.");
    w.Sample("plyx3_run_moves_run", static_cast<double>(s.movesRun));

    w.Family("plyx3_runs_total", "counter", "Runs ended since the program started, by outcome as the production record writes it.");
    std::map<std::string, std::uint64_t> runs;
    for (const char* o : kRecordOutcomes) runs[o] = 0;
    for (const auto& [outcome, n] : s.runsByOutcome) runs[outcome] = n;
    for (const auto& [outcome, n] : runs) w.Sample("plyx3_runs_total", {{"outcome", outcome}}, static_cast<double>(n));

    w.Family("plyx3_tape_meters_total", "counter", "Tape laid since the program started, the run in progress included.");
    w.Sample("plyx3_tape_meters_total", s.totalTapeInches * kMetresPerInch);

    w.Family("plyx3_board_errors_total", "counter", "Board-link errors since the program started, by error number.");
    for (const auto& [number, n] : s.boardErrors)
        w.Sample("plyx3_board_errors_total", {{"number", std::to_string(number)}}, static_cast<double>(n));
    w.Family("plyx3_lost_moves_detections_total", "counter",
             "Runs ended because the controller counted moves as run that it never ran (restart, power lost).");
    w.Sample("plyx3_lost_moves_detections_total", static_cast<double>(s.lostMoveDetections));
    w.Family("plyx3_log_failures_total", "counter", "Writes to the program's logs that failed.");
    w.Sample("plyx3_log_failures_total", static_cast<double>(s.logFailures));

    const RoundTripHistogram& h = s.linkRoundTrip;
    w.Family("plyx3_link_round_trip_seconds", "histogram", "A command and its reply on the board link (short commands).");
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i < RoundTripHistogram::kBounds.size(); ++i) {
        cumulative += h.counts[i];
        w.Sample("plyx3_link_round_trip_seconds_bucket", {{"le", PromNumber(RoundTripHistogram::kBounds[i])}},
                 static_cast<double>(cumulative));
    }
    w.Sample("plyx3_link_round_trip_seconds_bucket", {{"le", "+Inf"}}, static_cast<double>(h.count));
    w.Sample("plyx3_link_round_trip_seconds_sum", h.sum);
    w.Sample("plyx3_link_round_trip_seconds_count", static_cast<double>(h.count));

    if (s.counters) {
        const MachineCounters& c = *s.counters;
        if (c.runHours) {
            w.Family("plyx3_machine_run_seconds", "gauge", "The machine's run time over its life.");
            w.Sample("plyx3_machine_run_seconds", *c.runHours * 3600);
        }
        if (c.tapeFeet) {
            w.Family("plyx3_machine_tape_meters", "gauge", "Tape the machine has laid over its life.");
            w.Sample("plyx3_machine_tape_meters", *c.tapeFeet * kMetresPerFoot);
        }
        if (!c.runsByOutcome.empty()) {
            w.Family("plyx3_machine_runs", "gauge", "The machine's runs over its life, by outcome.");
            for (const auto& [outcome, n] : c.runsByOutcome)
                w.Sample("plyx3_machine_runs", {{"outcome", outcome}}, static_cast<double>(n));
        }
        if (c.hoursSinceService) {
            w.Family("plyx3_machine_since_service_seconds", "gauge", "Run time since the maintenance counter was last reset.");
            w.Sample("plyx3_machine_since_service_seconds", *c.hoursSinceService * 3600);
        }
        if (c.tapeFeetSinceService) {
            w.Family("plyx3_machine_since_service_meters", "gauge", "Tape laid since the maintenance counter was last reset.");
            w.Sample("plyx3_machine_since_service_meters", *c.tapeFeetSinceService * kMetresPerFoot);
        }
        if (c.rollFeetLeft) {
            w.Family("plyx3_machine_roll_left_meters", "gauge", "Tape left on the roll.");
            w.Sample("plyx3_machine_roll_left_meters", *c.rollFeetLeft * kMetresPerFoot);
        }
    }
    return w.Take();
}

}  // namespace plyx::status
