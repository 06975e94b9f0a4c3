// The motion plan of a run, recorded straight from the layer loop.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/RunGeometry.h"
#include "tests/engine/EngineFixture.h"

namespace plyx::engine {
namespace {

class PlanTest : public ::testing::Test {
protected:
    void Run(bool burnish = false) {
        geometry.ComputeRunConstants();
        geometry.RunLayers(burnish, &layer);
    }
    app::ParameterSet params;
    test::PlanRecorder sink;
    RunGeometry geometry{params, sink, [](const std::string&) {}};
    std::int16_t layer = 0;
};

void ExpectMove(const std::array<double, 3>& m, double dx, double dy, double rate) {
    EXPECT_NEAR(m[0], dx, 1e-3);
    EXPECT_NEAR(m[1], dy, 1e-3);
    EXPECT_EQ(m[2], rate);
}

TEST_F(PlanTest, RatesAreRoundedDownAndSaturate) {
    params.zSSR = 5.99;
    params.zRR = 0.07;
    geometry.ComputeRunConstants();
    EXPECT_EQ(geometry.lStartStopRate, 95);  // 95.84
    EXPECT_EQ(geometry.lRampRate, 1);        // 1.12
    params.zSSR = -1e300;
    params.zRR = 1e300;
    geometry.ComputeRunConstants();
    EXPECT_EQ(geometry.lStartStopRate, -2147483647);
    EXPECT_EQ(geometry.lRampRate, 2147483647);
    EXPECT_EQ(FloorToInt32Saturated(std::nan("")), 0);
}

TEST_F(PlanTest, DefaultPlanLayerByLayer) {
    Run();
    // Layer 1: 12 pairs; layers 2, 4, 5: interval move + 12 pairs; layers 3, 6:
    // 3 third-axis pairs, third-axis interval move, 12 pairs.
    ASSERT_EQ(sink.moves.size(), 24u + 3 * 25u + 2 * 31u);
    for (int i = 0; i < 12; ++i) {
        ExpectMove(sink.moves[2 * i], 3251.5484, -3251.5484, 387);
        ExpectMove(sink.moves[2 * i + 1], 307.0395, -736.8948, 327);
    }
    ExpectMove(sink.moves[24], 937.0962, -937.0962, 387);        // layer 2 interval move
    ExpectMove(sink.moves[25], 3576.7032, -3576.7032, 387);      // its first main line
    const std::size_t layer3 = 24 + 25;
    for (int i = 0; i < 3; ++i) {
        ExpectMove(sink.moves[layer3 + 2 * i], 3419.978, -3419.978, 238);
        ExpectMove(sink.moves[layer3 + 2 * i + 1], 322.944, -775.066, 179);
    }
    ExpectMove(sink.moves[layer3 + 6], 243.292, -243.292, 100);
    ExpectMove(sink.moves[layer3 + 7], 3901.858, -3901.858, 387);  // PAVP 0: no advance
    EXPECT_EQ(layer, 7);
}

TEST_F(PlanTest, PoleAdvanceScalesOnlyTheFirstLineAfterAThirdAxisPass) {
    params.cPAVP = 10;
    params.cTLC = 3;
    Run();
    geometry.ComputeRunConstants();
    const double a2 = 1.1 * geometry.zABase, a3 = 1.2 * geometry.zABase;
    ExpectMove(sink.moves[25], a2, -a2, 387);  // layer 2: no third-axis pass before it
    const std::size_t main3 = 24 + 25 + 7;
    ExpectMove(sink.moves[main3], 1.3 * a3, -1.3 * a3, 387);
    ExpectMove(sink.moves[main3 + 2], a3, -a3, 387);
    // The third-axis pass itself is not advanced.
    ExpectMove(sink.moves[24 + 25], a3 * 0.8765, -a3 * 0.8765, 238);
}

TEST_F(PlanTest, AlternateLayersFlipEveryOtherPairAcrossTheRun) {
    params.fLayerPattern = 1;
    params.cTLC = 3;
    params.cMRC = 3;
    Run();
    const double a = geometry.zABase, pd = params.zPD, ts = params.zTS;
    ExpectMove(sink.moves[0], a, a, 387);
    ExpectMove(sink.moves[1], a / pd, -a * ts / pd, 327);
    ExpectMove(sink.moves[2], a, -a, 387);
    ExpectMove(sink.moves[3], a * ts / pd, -a / pd, 327);
    ExpectMove(sink.moves[4], a, a, 387);
    // Layer 2 goes on counting: its first pair is the 4th of the run (even).
    const double a2 = 1.1 * a;
    ExpectMove(sink.moves[7], a2, -a2, 387);
    ExpectMove(sink.moves[8], a2 * ts / pd, -a2 / pd, 327);
}

TEST_F(PlanTest, BurnishPassRunsItsOwnLayersFasterUnlessTheShellIsShorter) {
    Run(true);
    EXPECT_EQ(geometry.zTargetRateScale, 11.0);
    EXPECT_EQ(sink.moves.size(), 24u + 25u);  // two layers of six
    params.cTLC = 2;
    params.cBLC = 5;
    EXPECT_EQ(RunGeometry::LayerCount(params, true), 2);
    Run(true);
    EXPECT_EQ(geometry.zTargetRateScale, 10.0);
}

TEST_F(PlanTest, NoLayersForZeroOrNegativeCounts) {
    params.cTLC = 0;
    Run();
    EXPECT_TRUE(sink.moves.empty());
    params.cTLC = 2;
    params.cMRC = -4;
    Run();
    EXPECT_EQ(sink.moves.size(), 1u);  // only layer 2's interval move
}

}  // namespace
}  // namespace plyx::engine
