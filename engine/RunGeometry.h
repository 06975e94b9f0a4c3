#pragma once
// The motion plan of a run: the layer loop turns the shell's parameters into
// straight X/Y moves (microsteps of X and Y as reals, and a rate) handed one
// by one to a sink. No I/O here; the sink queues the moves.
#include <cstdint>
#include <functional>
#include <string>

#include "app/ParameterSet.h"

namespace plyx::engine {

class LineMoveSink {
public:
    virtual ~LineMoveSink() = default;
    virtual void LineMove(double dx, double dy, double rate) = 0;
};

// The run's 15-digit pi.
constexpr double kPi15 = 3.14159265358979;

class RunGeometry {
public:
    using LogFn = std::function<void(const std::string&)>;

    // The parameter set is read live (a finishing file replaces it between
    // two layer loops); its LineCounter counts the line pairs of alternate
    // layers through a whole run.
    RunGeometry(app::ParameterSet& params, LineMoveSink& sink, LogFn log)
        : p_(params), sink_(sink), log_(std::move(log)) {}

    // Fills the run constants from the parameter set; clears LineCounter.
    void ComputeRunConstants();

    // The layer loop; CurrentLayer is the loop variable and is written to
    // *currentLayer (the engine stamps every queued move with it).
    void RunLayers(bool burnish, std::int16_t* currentLayer);
    void RunBetweenLayerMove(std::int32_t layer);
    void RunThirdAxisPass();
    void RunIntervalMove();
    void RunMainLayerPass();
    void RunLayerPass(double distance, double firstLineRate, double secondLineRate,
                      std::int32_t pairCount, bool alternate);

    // Layers a run (or burnish pass) of p would have.
    static std::int32_t LayerCount(const app::ParameterSet& p, bool burnish);

    // Run constants.
    double zWheelScale = 1;
    std::int32_t lStartStopRate = 0;
    std::int32_t lRampRate = 0;
    double zTargetRateScale = 0;
    double zABase = 0;
    double zTapePerStep = 0;
    double zLayerScaleFraction = 0;  // the run status window may change it
    double zMainIntervalFraction = 0;
    double zThirdAxisFraction = 0;
    double zThirdAxisIntervalFraction = 0;
    double zWheelAngleFactor = 1;
    double zPoleAdvanceFraction = 0;

    // Per-layer values; kept after the loop for a chained finishing run.
    double zAScaled = 0;
    double zPoleAdvanceForLayer = 1;
    double zThisPoleAdvanceMultiplier = 1;
    // Layer passes begun since the engine was made (a finishing file's
    // layers count on): the plan tells the layers of a chained run apart by it.
    std::int32_t cLayerPassesBegun = 0;

private:
    app::ParameterSet& p_;
    LineMoveSink& sink_;
    LogFn log_;
};

// Converts a real to a 32-bit integer rounded down, saturating at
// -2147483647 and 2147483647 (0 for NaN): rates read from files can be
// anything, and the engine sends rates negated.
std::int32_t FloorToInt32Saturated(double value);

}  // namespace plyx::engine
