#pragma once
// What the status page and the metrics of one instance show: a plain value,
// made whole on the program's thread and handed to the status server's
// thread, which only reads it. Nothing in it refers back to the engine.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace plyx::status {

enum class RunPhase { Idle, Running, Paused, Stopping, Aborting };

// "idle", "running", ...: the names the metrics and the JSON use.
const char* PhaseName(RunPhase phase);
inline constexpr std::array<RunPhase, 5> kAllPhases = {RunPhase::Idle, RunPhase::Running, RunPhase::Paused,
                                                       RunPhase::Stopping, RunPhase::Aborting};

// Seconds a command and its reply took on the link, in buckets.
struct RoundTripHistogram {
    // Upper bounds in seconds: a reply at 115200 baud takes under a
    // millisecond; an FTDI adapter at its default latency timer 16 ms.
    static constexpr std::array<double, 12> kBounds = {0.0005, 0.001, 0.002, 0.004, 0.008, 0.016,
                                                       0.032,  0.064, 0.128, 0.256, 0.512, 1.024};
    std::array<std::uint64_t, kBounds.size() + 1> counts{};  // per bucket; the last: over every bound
    double sum = 0;
    std::uint64_t count = 0;

    void Observe(double seconds);
};

// One line of the production record, as the page lists it.
struct RecordedRun {
    std::string start;  // ISO 8601, as in the record
    std::string end;
    std::string shellFile;
    std::string kind;  // "full" or "burnish"
    std::int32_t layersPlanned = 0;
    std::int32_t layersReached = 0;
    double tapePlannedFeet = 0;
    double tapeLaidFeet = 0;
    std::int64_t seconds = 0;
    std::string outcome;      // the record's word ("completed", "error", ...)
    std::string outcomeText;  // the same in the operator's language
    std::string errorNumber;
};

// The machine's own counters, kept by the program across runs; every field
// is shown only when the counters are kept at all and it is known.
struct MachineCounters {
    std::optional<double> runHours;
    std::optional<double> tapeFeet;
    std::map<std::string, std::uint64_t> runsByOutcome;
    std::optional<double> hoursSinceService;
    std::optional<double> tapeFeetSinceService;
    std::optional<double> rollFeetLeft;
};

// The page's words in the operator's language (dictionary texts).
struct PageTexts {
    std::string title = "Status";
    std::string idle = "Idle";
    std::string layer = "Layer";
    std::string tapeLaid = "Tape laid";
    std::string timeLeft = "Time left";
    std::string elapsed = "Elapsed";
    std::string lastRuns = "Last runs";
    std::string start = "Start";
    std::string shell = "Shell";
    std::string layers = "Layers";
    std::string tape = "Tape";
    std::string duration = "Duration";
    std::string outcome = "Outcome";
    std::string noRuns = "No run recorded yet.";
    std::string counters = "Machine counters";
    std::string runHours = "Run hours";
    std::string tapeTotal = "Tape wound";
    std::string sinceService = "Since the last service";
    std::string rollLeft = "Tape left on the roll";
    std::string noAnswer = "No answer from the program: the values shown are the last ones it sent.";
    std::string model = "Model";
    std::string movesRun = "Moves run";
    std::string unit = "ft";  // the tape unit the operator chose ("ft" or "m")
    std::string hoursUnit = "h";
};

struct StatusSnapshot {
    // ---- the instance ----
    std::string port;  // "COM3"
    std::string version;
    std::string model;
    bool metres = false;  // tape shown in metres (else feet)
    std::shared_ptr<const PageTexts> texts;

    // ---- the run in progress, or the last one ----
    RunPhase phase = RunPhase::Idle;
    std::string stateText;  // the phase, or how the last run ended, in the operator's language
    bool runKnown = false;  // a run has started in this program
    bool burnish = false;
    std::string shellFile;
    std::int32_t layerQueued = 0;   // the layer whose moves the program is queuing
    std::int32_t layerRunning = 0;  // the layer the controller has reached
    std::int32_t layersPlanned = 0;
    double tapeLaidInches = 0;
    double tapePlannedInches = 0;
    std::optional<double> secondsLeft;
    std::int64_t elapsedSeconds = 0;
    std::uint64_t movesPlanned = 0;
    std::uint64_t movesQueued = 0;
    std::uint64_t movesRun = 0;

    // ---- since the program started ----
    std::map<std::string, std::uint64_t> runsByOutcome;
    double totalTapeInches = 0;
    std::map<std::int32_t, std::uint64_t> boardErrors;  // by error number
    std::uint64_t lostMoveDetections = 0;
    RoundTripHistogram linkRoundTrip;
    std::uint64_t logFailures = 0;

    // ---- kept on disk ----
    std::vector<RecordedRun> lastRuns;  // newest first
    std::optional<MachineCounters> counters;

    double Progress() const;  // tape laid against planned, 0 to 1
};

// The outcomes a run can end with, as the production record writes them;
// the run counters show each of them from the start, at 0.
inline constexpr std::array<const char*, 8> kRecordOutcomes = {
    "completed",      "aborted from the window", "aborted from the panel (STOP)",
    "aborted from the panel (ABORT)", "aborted", "ended by a signal", "error", "interrupted"};

}  // namespace plyx::status
