#pragma once
// Where a run stands in its plan, kept by the engine while it queues: the
// plan's moves it has handled (a resumed run passes over the earlier ones
// without sending them), the head's place in the plan, the board's place of
// the plan's origin, and where each layer pass begins among the moves the
// controller was given, so that the controller's count of moves done tells
// which layer it has begun and which plan moves it has run.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <vector>

namespace plyx::engine {

// A live change of the per-layer increase (the run status window's Set %
// Increase). It is made in a wait before a plan move is queued and used
// from the next layer the engine begins; replayed before the same move.
struct ScaleChange {
    std::int64_t beforeMove = 0;  // plan moves handled when it was made
    std::int32_t fromLayer = 0;   // the layer pass it applies from (for the operator)
    double fraction = 0;          // the new zLayerScaleFraction
    bool operator==(const ScaleChange&) const = default;
};

// A run that goes on from a layer pass of a stopped run.
struct ResumeRequest {
    std::int32_t fromLayer = 1;          // layer pass; a finishing file's count on after the shell's
    std::int64_t originX = 0;            // the board's position of the plan's 0/0
    std::int64_t originY = 0;
    // The operator says the head stands at the layer's start (the board's
    // position could not be trusted): no positioning move, and the origin
    // follows from the position the board reports.
    bool headAtLayerStart = false;
    std::vector<ScaleChange> scaleChanges{};  // those of the stopped run
};

struct RunTrack {
    struct PassStart {
        std::int64_t controllerMove = 0;  // 0-based among the moves the controller was given
        std::int32_t pass = 0;
    };

    std::int32_t resumedFrom = 0;  // 0: a run from the start
    bool positionKnown = false;    // the board reported its position at the start
    std::int64_t startX = 0, startY = 0;    // the board's position at the run's start
    std::int64_t originX = 0, originY = 0;  // the board's position of the plan's 0/0
    std::int64_t planMoves = 0;             // plan moves handled (passed over or queued)
    std::int64_t planX = 0, planY = 0;      // their sum: where they take the head from the origin
    std::int64_t resumeX = 0, resumeY = 0;  // the resumed layer's start, from the origin
    std::int64_t skippedMoves = 0;          // plan moves passed over by a resume
    double skippedDistance = 0;             // their queued distance
    std::int64_t controllerMoves = 0;       // moves given to the controller (every kind)
    std::int64_t positioningMoves = 0;      // of them, the positioning move's segments
    std::int64_t streamedPlanMoves = -1;    // plan moves given, once the plan is done (-1 before)
    std::int64_t lost = 0;                  // moves the controller counted but never ran
    std::vector<PassStart> passStarts;
    std::vector<ScaleChange> scaleChanges;  // the stopped run's and this run's own

    // The controller's count of moves done when the stop sequence stopped
    // it (the reset after it drops the rest, which the count then calls done).
    std::optional<std::int64_t> doneAtStop;

    // Moves the controller has run, from its count of moves in use.
    std::int64_t Done(std::int64_t inUse) const {
        if (doneAtStop) return *doneAtStop;
        return std::clamp<std::int64_t>(controllerMoves - inUse - lost, 0, controllerMoves);
    }
    // The layer pass of the move the controller runs (or ran last), when it
    // has run done moves.
    std::int32_t PassBegun(std::int64_t done) const {
        auto after = std::upper_bound(passStarts.begin(), passStarts.end(), done,
                                      [](std::int64_t d, const PassStart& s) { return d < s.controllerMove; });
        return after == passStarts.begin() ? std::max(1, resumedFrom) : std::prev(after)->pass;
    }
    // Plan moves run (from the plan's first, passed-over ones included), when
    // the controller has run done moves.
    std::int64_t PlanMovesRun(std::int64_t done) const {
        const std::int64_t streamed = streamedPlanMoves >= 0 ? streamedPlanMoves : planMoves - skippedMoves;
        return skippedMoves + std::clamp<std::int64_t>(done - positioningMoves, 0, streamed);
    }
};

}  // namespace plyx::engine
