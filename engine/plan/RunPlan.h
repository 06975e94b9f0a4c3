#pragma once
// The whole plan of a run before it starts: the moves the engine would
// queue (recorded by running the engine itself against a PlanRecorder), the
// layer of each, the tape and an estimate of the machine's time. Used by the
// preview window, the run status window's progress, the production record
// and plyx3-plan.
#include <cstdint>
#include <string>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/plan/PlanRecorder.h"

namespace plyx::engine {

struct RunPlan {
    bool burnish = false;
    bool finishingChained = false;   // a finishing file's layers follow the shell's
    std::string refusal;             // why the engine would refuse this run ("" when it runs)
    std::int32_t layers = 0;         // layer passes, the finishing file's included
    std::int32_t lineMoves = 0;      // straight moves handed to the controller (before the cut)
    std::vector<PlannedMove> moves;  // the controller's moves, after the cut into segments
    std::vector<std::int32_t> layerOfMove;  // 1-based layer pass of each move
    std::vector<double> tapeAt;      // tape in inches once each move is done
    std::vector<double> secondsAt;   // estimated machine seconds once each move is done
    double tapeInches = 0;
    double seconds = 0;
    std::int32_t startStopRate = 0;
    std::int32_t rampRate = 0;

    // Estimated seconds of the plan up to the point where tapeInches tape
    // has been laid (interpolated inside a move).
    double SecondsAtTape(double inches) const;
    // The layer pass in progress once that much tape has been laid.
    std::int32_t LayerAtTape(double inches) const;
};

// Runs the engine over a copy of params with a recording controller of
// the given family: nothing is sent, logged, shown or saved. The finishing
// file beside the shell file is read as the run would read it.
RunPlan RecordRunPlan(app::Environment& env, const app::ParameterSet& params, std::int32_t family,
                      bool burnish);

// Machine seconds of each move: a trapezoid per move, ramping at rampRate
// (steps/s^2) from the slower of its neighbours' rates (the start/stop rate
// at both ends of the run) up to its own rate and down again. Moves run at
// the rate of their faster motor, as the controller is told.
std::vector<double> EstimateMoveSeconds(const std::vector<PlannedMove>& moves, std::int32_t startStopRate,
                                        std::int32_t rampRate);

// The summary lines of a plan ("Layers: 6", ...), in the current language;
// lengths in metres when metres is set.
std::vector<std::string> PlanSummaryLines(const app::Environment& env, const RunPlan& plan, bool metres);

// X/Y positions after every move, starting at 0/0 (size moves + 1).
struct PlanPoint {
    double x = 0;
    double y = 0;
};
std::vector<PlanPoint> PlanPath(const RunPlan& plan);

// An RGB colour for a 1-based layer pass, distinct for neighbouring layers.
std::uint32_t LayerColour(std::int32_t layer);

// The drawing of the wrap path as an SVG document.
std::string PlanSvg(const app::Environment& env, const RunPlan& plan);

}  // namespace plyx::engine
