#pragma once
// The production record: one line per run in <data>/C<n>.runs.csv, written
// when the run ends (or at the next start, for a run the program never saw end).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunState.h"
#include "engine/RunEvents.h"
#include "engine/plan/RunProgress.h"

namespace plyx::engine {

// How the last run ended, as the windows tell it.
struct RunSummary {
    std::string outcome;              // the record's outcome ("completed", "aborted from the window", ...)
    std::int32_t layersPlanned = 0;
    std::int32_t layersReached = 0;
    double laidInches = 0;
    std::int64_t seconds = 0;
    bool finishingLeftOut = false;    // the finishing file's layers were planned and none of them ran
};

class RunRecord final : public RunObserver {
public:
    // progress is subscribed before the record: the record reads it.
    RunRecord(app::Environment& env, app::ParameterSet& params, RunGlobals& globals, const RunProgress& progress);
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    void RunStarted(bool burnish) override;
    void RunResumed(std::int32_t layer) override;
    void RunEnded(RunEnd how) override;
    // The run ends on an error that ends the program: its line is written now.
    void RunFailed(std::int32_t number, const std::string& text) override;

    // The run status window's abort button ended the run.
    void NoteAbortFromWindow() { abortFromWindow_ = true; }
    // A run the last program on this port never saw end (killed, the power
    // gone) gets its line now, outcome "interrupted", from what its journal
    // knew; the journal stays for a resume. Call once the port is this instance's.
    void RecordInterruptedRun();
    // The record's kind: "full" or "burnish", and "resumed from layer L".
    static std::string KindText(bool burnish, std::int32_t resumedFrom);

    // Between a run's start and its line.
    bool Running() const { return running_; }
    // The run that ended last in this program, if any.
    const std::optional<RunSummary>& LastRun() const { return lastRun_; }

    // The last run's line was written (or not): the main window's line changes.
    std::function<void()> OnChange;

    // <data directory>/<PerPortPrefix>runs.csv
    std::string FilePath();
    static const char* const kHeader;

private:
    void Write(const std::string& outcome, const std::string& errorNumber, const std::string& errorText);
    void AppendLine(const std::string& line);

    app::Environment& env_;
    app::ParameterSet& params_;
    RunGlobals& globals_;
    const RunProgress& progress_;
    bool running_ = false;
    bool abortFromWindow_ = false;
    std::int32_t resumedFrom_ = 0;
    std::optional<RunSummary> lastRun_;
};

// One record line: fields quoted where the CSV convention needs it
// (comma, quote, CR or LF inside; quotes doubled), ended by CR LF.
std::string CsvLine(const std::vector<std::string>& fields);

// A wall time as ISO 8601 local time with its offset: "2026-12-07T00:10:05+01:00".
std::string IsoTime(std::time_t t);

}  // namespace plyx::engine
