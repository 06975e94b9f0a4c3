#pragma once
// The machine's counters, kept per port in <data>/<PerPortPrefix>machine:
// run hours, tape laid, runs by outcome, board errors and lost moves, the
// maintenance counter (since the last service) and the tape left on the
// roll. The file holds the finished runs and, apart, the run in progress
// as far as it was written, so that a killed run is counted once, from its
// line in the production record, at the next start.
#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "text/TextIds.h"

namespace plyx::engine {

// The production record's outcomes, each with its key in the file and the
// text the windows show. The last, "other", counts an outcome this table
// does not know.
struct RunOutcomeName {
    const char* outcome;
    const char* key;
    text::ResourceId textId;
};
inline constexpr std::array<RunOutcomeName, 9> kRunOutcomes{{
    {"completed", "runs_completed", 1283},
    {"aborted from the window", "runs_aborted_window", 1284},
    {"aborted from the panel (STOP)", "runs_aborted_panel_stop", 1285},
    {"aborted from the panel (ABORT)", "runs_aborted_panel_abort", 1286},
    {"aborted", "runs_aborted", 1287},
    {"ended by a signal", "runs_ended_by_signal", 1288},
    {"error", "runs_error", 1289},
    {"interrupted", "runs_interrupted", text::kTextOutcomeInterrupted},
    {"", "runs_other", text::kTextOutcomeOther},
}};
// The place of outcome in kRunOutcomes (the last for one it does not know).
std::size_t RunOutcomeIndex(const std::string& outcome);

// The counters as a plain value, to copy (the Machine window, the status page).
struct MachineCounters {
    std::int64_t runSeconds = 0;  // every run's duration, start to end, as the record has it
    double tapeInches = 0;        // tape laid
    std::array<std::int64_t, kRunOutcomes.size()> runs{};  // by outcome, in the order of kRunOutcomes
    std::int64_t boardErrors = 0;      // runs an error with a number ended
    std::int64_t lostMoves = 0;        // of those, the ones that found moves lost
    std::int64_t serviceSeconds = 0;   // since the maintenance counter was last reset
    double serviceTapeInches = 0;
    std::time_t serviceResetAt = 0;    // when it was (0: never)
    bool rollTracked = false;          // the operator gave the roll's length
    double rollInches = 0;             // tape left on the roll, never below 0

    std::int64_t Runs() const;
};

// The run in progress as far as it was counted (start 0: none).
struct OpenRun {
    std::time_t start = 0;
    std::int64_t seconds = 0;
    double tapeInches = 0;
};

// What the file holds: the finished runs (their roll: before the open run), and the open run.
struct MachineFile {
    MachineCounters done;
    OpenRun open;
};

// The counters with the open run's time and tape on top (not yet a run by outcome).
MachineCounters WithOpenRun(const MachineCounters& done, const OpenRun& open);
// One finished run counted: its outcome, duration, tape and error number (0: none).
void CountRun(MachineCounters& counters, const std::string& outcome, std::int64_t seconds, double tapeInches,
              std::int32_t errorNumber);
// The error number a run's record carries when moves were found lost.
std::int32_t LostMovesErrorNumber();

std::string MachineText(const MachineFile& file);
// nullopt for anything that is not a whole counters file.
std::optional<MachineFile> ParseMachine(const std::string& text);

}  // namespace plyx::engine
