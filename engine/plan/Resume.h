#pragma once
// Going on with a run that ended short: what its journal says, whether the
// shell is still the one that ran, where each layer of its plan begins,
// whether the board still knows where the head is, and the request that
// starts the resumed run.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunTrack.h"
#include "engine/plan/RunJournal.h"
#include "engine/plan/RunPlan.h"

namespace plyx::engine {

// The values a run's moves follow from, as (key, parameter-line value).
std::vector<std::pair<std::string, std::string>> RunParameters(const app::ParameterSet& params);
// The finishing file a full run of params chains on ("" when none), and its
// parameter lines (trimmed lines holding "=").
std::string FinishingFileOf(const app::ParameterSet& params, bool burnish);
std::vector<std::string> FinishingLinesOf(const std::string& finishingFile);
// What differs between the stopped run and the parameters (and finishing
// file) a resume would run on now: the keys, "" when nothing.
std::string ChangedSinceStop(const JournalEntry& journal, const app::ParameterSet& now);

// Where a layer pass begins in a plan: the moves before its first and the
// head's place and tape there.
struct LayerStart {
    std::int64_t move = 0;
    std::int64_t x = 0, y = 0;
    double tape = 0;
};
// For layer passes 1 to plan.layers (index 0 is layer 1).
std::vector<LayerStart> LayerStarts(const RunPlan& plan);

// The head at x, y lies on the path (straight moves between its points),
// within tolerance steps.
bool HeadOnPath(std::int64_t x, std::int64_t y, const std::vector<std::pair<std::int64_t, std::int64_t>>& path,
                double tolerance);

// A stopped run, looked at from now.
struct ResumeSituation {
    JournalEntry journal;
    RunPlan plan;                     // the stopped run's plan, its live changes replayed
    std::vector<LayerStart> starts;   // of every layer pass
    std::string changed;              // parameters changed since the stop ("" none)
    std::optional<std::pair<std::int64_t, std::int64_t>> reported;  // the board's position now
    bool trusted = false;             // it agrees with where the journal left the head
    std::int32_t Layers() const { return plan.layers; }
    std::int32_t DefaultLayer() const;
    // The board's position of layer L's start (by the journal's origin).
    std::pair<std::int64_t, std::int64_t> StartOnBoard(std::int32_t layer) const;
    // Why no resume from layer L may start ("" when it may), given whether
    // the operator confirmed that the head stands at its start.
    std::string Refusal(const app::Environment& env, std::int32_t layer, bool headConfirmed) const;
    ResumeRequest Request(std::int32_t layer, bool headConfirmed) const;
};

// Plans the stopped run again and checks the board's position (reported:
// nothing when the board gives none) against the journal: the head must
// stand where the stop left it, on the moves between the last ones the
// journal counts as run and those the controller may have run after it.
ResumeSituation AssessResume(app::Environment& env, const app::ParameterSet& params, std::int32_t family,
                             const JournalEntry& journal,
                             std::optional<std::pair<std::int64_t, std::int64_t>> reported);

// The layer named by a RESUME= token of the command line: nothing without
// one; -1 for a value that is no layer number (the value as given in *raw).
std::optional<std::int32_t> ResumeLayerArgument(const std::string& commandLine, std::string* raw = nullptr);

}  // namespace plyx::engine
