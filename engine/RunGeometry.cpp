#include "engine/RunGeometry.h"

#include <cmath>
#include <limits>

#include "app/Numbers.h"

namespace plyx::engine {

std::int32_t FloorToInt32Saturated(double value) {
    if (std::isnan(value)) return 0;
    double f = std::floor(value);
    // The lowest value stays one above INT32_MIN so that negating a rate fits.
    if (f <= -static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return -std::numeric_limits<std::int32_t>::max();
    if (f >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(f);
}

void RunGeometry::ComputeRunConstants() {
    const app::ParameterSet& p = p_;
    const double msps = p.cMSPS;
    zWheelScale = 4.0 / p.zWheelDiameter;
    lStartStopRate = FloorToInt32Saturated(msps * p.zSSR);
    lRampRate = FloorToInt32Saturated(msps * p.zRR);
    zTargetRateScale = (msps / 16.0) * p.zTRS * zWheelScale;
    zABase = p.zSD * kPi15 * p.zDSF * msps * zWheelScale;
    zTapePerStep = 12.56 / (msps * 200.0 * zWheelScale);
    zLayerScaleFraction = p.zASAPL / 100.0;
    zMainIntervalFraction = p.zMISP / 100.0;
    zThirdAxisFraction = p.zTASP / 100.0;
    zThirdAxisIntervalFraction = p.zTASIP / 100.0;
    zWheelAngleFactor = 1.0 / std::cos(p.zWA * kPi15 / 180.0);
    zPoleAdvanceFraction = p.cPAVP / 100.0;
    p_.LineCounter = 0;
}

std::int32_t RunGeometry::LayerCount(const app::ParameterSet& p, bool burnish) {
    if (burnish && p.cTLC > 2) return p.cBLC;
    return p.cTLC;
}

void RunGeometry::RunLayers(bool burnish, std::int16_t* currentLayer) {
    std::int32_t layers = p_.cTLC;
    if (burnish && p_.cTLC > 2) {
        zTargetRateScale = zTargetRateScale * (p_.zBRIP / 100.0 + 1.0);
        layers = p_.cBLC;
    }
    *currentLayer = 1;
    // 32-bit loop variable: a layer count of 32767 must still end.
    for (std::int32_t layer = 1; layer <= layers; ++layer) {
        *currentLayer = static_cast<std::int16_t>(layer);
        ++cLayerPassesBegun;
        zThisPoleAdvanceMultiplier = 1.0;
        zPoleAdvanceForLayer = layer * zPoleAdvanceFraction + 1.0;
        zAScaled = ((layer - 1) * zLayerScaleFraction + 1.0) * zABase;
        log_("Starting layer " + std::to_string(layer) + ", zAScaled for layer is " + app::NumberText(zAScaled));
        if (layer > 1) RunBetweenLayerMove(layer);
        RunMainLayerPass();
    }
    if (layers >= 1) *currentLayer = static_cast<std::int16_t>(layers < 32767 ? layers + 1 : layers);
}

void RunGeometry::RunBetweenLayerMove(std::int32_t layer) {
    if (layer % 3 == 0)
        RunThirdAxisPass();
    else
        RunIntervalMove();
}

void RunGeometry::RunIntervalMove() {
    double d = zMainIntervalFraction * zAScaled;
    sink_.LineMove(d, -d, p_.zMRSI);
}

void RunGeometry::RunThirdAxisPass() {
    RunLayerPass(zAScaled * zThirdAxisFraction, p_.zTARFL, p_.zTARSL, p_.cTARC, false);
    double d = zThirdAxisIntervalFraction * zAScaled;
    sink_.LineMove(d, -d, p_.zTRI);
    zThisPoleAdvanceMultiplier = zPoleAdvanceForLayer;
    log_("   zThisPoleAdvanceMultiplier set to " + app::NumberText(zThisPoleAdvanceMultiplier));
}

void RunGeometry::RunMainLayerPass() {
    RunLayerPass(zAScaled, p_.zMRFL, p_.zMRSL, p_.cMRC, p_.fLayerPattern != 0);
}

void RunGeometry::RunLayerPass(double distance, double firstLineRate, double secondLineRate,
                               std::int32_t pairCount, bool alternate) {
    const double crossA = distance / p_.zPD;
    const double crossC = crossA * p_.zTS;
    double first = zThisPoleAdvanceMultiplier * distance;
    zThisPoleAdvanceMultiplier = 1.0;
    for (std::int32_t i = 1; i <= pairCount; ++i) {
        if (!alternate) {
            sink_.LineMove(first, -first, firstLineRate);
            sink_.LineMove(crossA, -crossC, secondLineRate);
        } else {
            p_.LineCounter = static_cast<std::int16_t>(p_.LineCounter + 1);
            if (p_.LineCounter % 2 != 0) {
                sink_.LineMove(first, first, firstLineRate);
                sink_.LineMove(crossA, -crossC, secondLineRate);
            } else {
                sink_.LineMove(first, -first, firstLineRate);
                sink_.LineMove(crossC, -crossA, secondLineRate);
            }
        }
        first = distance;
    }
}

}  // namespace plyx::engine
