#pragma once
// What the operator is told about a run beyond the displays of the status
// window, and what is kept of it: the plan of the run as it starts, the
// progress and time left following the controller (the distance ring), and
// one line per run in the production record, <data>/C<n>.runs.csv.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunState.h"
#include "engine/RunWatcher.h"
#include "engine/plan/RunJournal.h"
#include "engine/plan/RunPlan.h"

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

class RunRecord final : public RunWatcher {
public:
    RunRecord(app::Environment& env, app::ParameterSet& params, RunGlobals& globals);
    ~RunRecord() override;
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    // The plan of the run about to start, made already (by the check of its
    // size): the next RunStarting takes it instead of planning again.
    void UsePlan(RunPlan plan) { nextPlan_ = std::move(plan); }

    // ---- RunWatcher ----
    void RunStarting(bool burnish) override;
    void ControllerAt(double inches) override;
    void ElapsedChanged(std::int64_t seconds) override;
    void PauseChanged(bool paused) override;
    void RunEnded(RunEnd how) override;

    // The run status window's abort button ended the run.
    void NoteAbortFromWindow() { abortFromWindow_ = true; }
    // The run ends on an error that ends the program: its line is written now.
    void EndWithError(std::int32_t number, const std::string& text);
    // A run the last program on this port never saw end (killed, the power
    // gone) gets its line now, outcome "interrupted", from what its journal
    // knew. Call once the port is this instance's.
    void RecordInterruptedRun();

    bool Running() const { return running_; }
    // The run that ended last in this program, if any.
    const std::optional<RunSummary>& LastRun() const { return lastRun_; }
    const RunPlan& Plan() const { return plan_; }
    double LaidInches() const { return laid_; }
    // Tape laid against the plan's tape, 0 to 1.
    double Progress() const;
    // The plan's time from where the controller is, scaled by how the run
    // has kept to the plan so far, counting down between two updates; time
    // spent paused counts neither way (the count stands while paused).
    double SecondsLeft() const;

    // Progress or time left changed.
    std::function<void()> OnChange;

    // <data directory>/<PerPortPrefix>runs.csv
    std::string FilePath();
    // <data directory>/<PerPortPrefix>run.journal
    std::string JournalPath();
    static const char* const kHeader;

private:
    void Write(const std::string& outcome, const std::string& errorNumber, const std::string& errorText);
    void AppendLine(const std::string& line);
    void WriteJournal();

    app::Environment& env_;
    app::ParameterSet& params_;
    RunGlobals& globals_;
    RunPlan plan_;
    bool running_ = false;
    bool burnish_ = false;
    bool abortFromWindow_ = false;
    std::time_t start_ = 0;
    std::string shellFile_;
    double laid_ = 0;
    std::int32_t journalLayer_ = 0;  // the layer the journal on disk holds
    std::int32_t shellLayers_ = 0;   // the layers before a chained finishing file's
    std::optional<RunSummary> lastRun_;
    std::optional<RunPlan> nextPlan_;
    // Seconds since the start without the paused ones, at a wall second.
    std::int64_t Moving(std::int64_t sinceStart) const;
    std::int64_t elapsed_ = 0;
    double leftAtUpdate_ = 0;
    std::int64_t movingAtUpdate_ = 0;
    std::int64_t pausedSeconds_ = 0;  // whole pauses so far
    std::int64_t pausedAt_ = -1;      // since start, while paused
};

// One record line: fields quoted where the CSV convention needs it
// (comma, quote, CR or LF inside; quotes doubled), ended by CR LF.
std::string CsvLine(const std::vector<std::string>& fields);

// A wall time as ISO 8601 local time with its offset: "2026-12-07T00:10:05+01:00".
std::string IsoTime(std::time_t t);

}  // namespace plyx::engine
