#pragma once
// The whole plan of a run before it starts: the moves the engine would
// queue (recorded by running the engine itself against a PlanRecorder), the
// layer of each, the tape and an estimate of the machine's time. Used by the
// preview window, the run status window's progress, the production record
// and plyx3-plan.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunTrack.h"
#include "engine/plan/PlanRecorder.h"

namespace plyx::engine {

// Where the plan stands after one of its moves. A plan keeps one mark per
// move up to kMaxPlanMarks; past that, every second one is let go (and so
// on), but the last move of every layer pass always keeps its mark, so
// that layers and their colours change exactly where they do.
struct PlanMark {
    std::int64_t move = 0;    // 1-based number of the move
    double tape = 0;          // inches of tape once it is done
    double seconds = 0;       // estimated machine seconds once it is done
    double x = 0, y = 0;      // where it ends, in steps from the run's start
    std::int32_t layer = 0;   // its 1-based layer pass
    bool layerEnd = false;    // the last move of its layer pass
};
inline constexpr std::size_t kMaxPlanMarks = std::size_t{1} << 17;

struct RunPlan {
    bool burnish = false;
    bool finishingChained = false;   // a finishing file's layers follow the shell's
    bool cutShort = false;           // planning stopped at the move limit: counts are lower bounds
    std::string refusal;             // why the engine would refuse this run ("" when it runs)
    std::int32_t layers = 0;         // layer passes, the finishing file's included
    std::int64_t lineMoves = 0;      // straight moves handed to the controller (before the cut)
    std::int64_t moveCount = 0;      // the controller's moves, after the cut into segments
    std::vector<PlanMark> marks;     // bounded; see PlanMark
    std::vector<PlannedMove> moves;  // every move, only when asked for (PlanOptions::keepMoves)
    // Where the head stands after each move from PlanOptions::windowFrom to
    // windowTo (steps from the run's start, exact; 0 moves: the start).
    std::int64_t windowFrom = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> window;
    double tapeInches = 0;
    double seconds = 0;
    std::int32_t startStopRate = 0;
    std::int32_t rampRate = 0;

    // Estimated seconds of the plan up to the point where tapeInches tape
    // has been laid (interpolated between marks).
    double SecondsAtTape(double inches) const;
    // The layer pass in progress once that much tape has been laid.
    std::int32_t LayerAtTape(double inches) const;
};

struct PlanOptions {
    bool keepMoves = false;        // also keep every move (tests, the move listing)
    std::int64_t moveLimit = 0;    // stop planning after this many moves (0: no limit)
    std::size_t maxMarks = kMaxPlanMarks;
    // Live changes of the layer increase, replayed as the run had them.
    std::vector<ScaleChange> scaleChanges{};
    // Keep the head's exact place after the moves windowFrom to windowTo
    // (windowTo below windowFrom: none).
    std::int64_t windowFrom = 0;
    std::int64_t windowTo = -1;
};

// Runs the engine over a copy of params with a recording controller of
// the given family: nothing is sent, logged, shown or saved. The finishing
// file beside the shell file is read as the run would read it. The moves
// stream through: memory does not grow with the plan's length (unless
// every move is asked for).
RunPlan RecordRunPlan(app::Environment& env, const app::ParameterSet& params, std::int32_t family,
                      bool burnish, const PlanOptions& options = {});

// Machine seconds of each move: a trapezoid per move, ramping at rampRate
// (steps/s^2) from the slower of its neighbours' rates (the start/stop rate
// at both ends of the run) up to its own rate and down again. Moves run at
// the rate of their faster motor, as the controller is told.
std::vector<double> EstimateMoveSeconds(const std::vector<PlannedMove>& moves, std::int32_t startStopRate,
                                        std::int32_t rampRate);

// The same, a move at a time: Push gives the seconds of the move before
// the one pushed (known once its follower is), Finish those of the last.
class MoveTimer {
public:
    MoveTimer(std::int32_t startStopRate, std::int32_t rampRate);
    std::optional<double> Push(const PlannedMove& move);
    std::optional<double> Finish();

private:
    double Seconds(const PlannedMove& m, double before, double after) const;
    double edge_, a_;
    std::int32_t startStopRate_;
    std::optional<PlannedMove> pending_;
    double pendingBefore_ = 0;  // the rate the pending move starts from
};

// A run this long or longer is only started once the operator has said so.
inline constexpr std::int64_t kLargeRunMoves = 10'000'000;
inline constexpr double kLargeRunSeconds = 24.0 * 3600;
bool IsLargeRun(const RunPlan& plan);
// True when the run the parameters make may start: it is not a large run,
// or the operator said OK to it (told its moves and estimated time). When
// planning it went to the end, the plan goes to planned (if given), so that
// the run need not be planned again.
bool ConfirmLargeRun(app::Environment& env, const app::ParameterSet& params, bool burnish,
                     RunPlan* planned = nullptr);

// The summary lines of a plan ("Layers: 6", ...), in the current language;
// lengths in metres when metres is set.
std::vector<std::string> PlanSummaryLines(const app::Environment& env, const RunPlan& plan, bool metres);

// The path the plan's marks trace, starting at 0/0 (size marks + 1); each
// point carries the layer pass of the move that ends there.
struct PlanPoint {
    double x = 0;
    double y = 0;
    std::int32_t layer = 1;
};
std::vector<PlanPoint> PlanPath(const RunPlan& plan);

// An RGB colour for a 1-based layer pass, distinct for neighbouring layers.
std::uint32_t LayerColour(std::int32_t layer);

// The drawing of the wrap path as an SVG document.
std::string PlanSvg(const app::Environment& env, const RunPlan& plan);

}  // namespace plyx::engine
