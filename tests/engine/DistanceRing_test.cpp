// The ring of (distance, layer) entries and the texts of the progress labels.
#include <gtest/gtest.h>

#include <limits>

#include "engine/DisplayText.h"
#include "engine/DistanceRing.h"

namespace plyx::engine {
namespace {

TEST(DistanceRing, DisplayFollowsTheControllerNotTheProgram) {
    DistanceRing ring;
    ring.Reset(30);
    ring.idNextDistance = 2;
    EXPECT_EQ(ring.GetExtractIndex(5), 58);
    EXPECT_EQ(ring.LastExtractNext, 2);
    EXPECT_EQ(ring.LastExtractInUse, 5);
    EXPECT_FALSE(ring.ChangedSinceExtract(5));
    EXPECT_TRUE(ring.ChangedSinceExtract(4));
    EXPECT_EQ(ring.GetExtractIndex(2), 0);
}

TEST(DistanceRing, NewestValuesAreRepeatedAtTheNextEntry) {
    DistanceRing ring;
    ring.Reset(1);  // three entries
    EXPECT_EQ(ring.InsertDistance(10.5, 1), 0);
    EXPECT_EQ(ring.idNextDistance, 1);
    EXPECT_EQ(ring.DistanceAt(1), 10.5);
    EXPECT_EQ(ring.LayerAt(1), 1);
    ring.InsertDistance(20, 2);
    EXPECT_EQ(ring.InsertDistance(30, 3), 2);
    EXPECT_EQ(ring.idNextDistance, 0);  // wrapped past the upper index
    EXPECT_EQ(ring.DistanceAt(0), 30);
    EXPECT_EQ(ring.LayerAt(0), 3);
    EXPECT_EQ(ring.DistanceAt(1), 20);
}

TEST(DistanceRing, ResetClearsEverything) {
    DistanceRing ring;
    ring.Reset(2);
    ring.InsertDistance(5, 2);
    ring.GetExtractIndex(0);
    ring.Reset(2);
    EXPECT_EQ(ring.Length(), 5);  // twice the queue, plus one
    EXPECT_EQ(ring.idNextDistance, 0);
    EXPECT_EQ(ring.LastExtractNext, -1);
    for (std::int16_t i = 0; i < ring.Length(); ++i) {
        EXPECT_EQ(ring.DistanceAt(i), 0);
        EXPECT_EQ(ring.LayerAt(i), 0);
    }
}

TEST(DistanceRing, BoardCountsOutsideTheRingStayInside) {
    DistanceRing ring;
    ring.Reset(30);
    ring.idNextDistance = 3;
    for (std::int16_t inUse : {std::int16_t{-40}, std::int16_t{-1}, std::int16_t{61}, std::int16_t{200},
                               std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()}) {
        std::int16_t index = ring.GetExtractIndex(inUse);
        EXPECT_GE(index, 0) << inUse;
        EXPECT_LT(index, 61) << inUse;
    }
    ring.Reset(-5);
    EXPECT_EQ(ring.Length(), 1);
    ring.InsertDistance(1, 1);
    EXPECT_EQ(ring.GetExtractIndex(7), 0);
    ring.Reset(std::numeric_limits<std::int16_t>::max());
    EXPECT_GT(ring.Length(), 0);
    EXPECT_LE(ring.QueueUpperIndex(), std::numeric_limits<std::int16_t>::max());
}

TEST(DisplayText, ElapsedTime) {
    EXPECT_EQ(ElapsedTimeText(425), "0:07:05");
    EXPECT_EQ(ElapsedTimeText(90061), "25:01:01");
    EXPECT_EQ(ElapsedTimeText(-61), "0:01:01");
}

TEST(DisplayText, TapeLength) {
    EXPECT_EQ(TapeLengthText(0), "0.0");
    EXPECT_EQ(TapeLengthText(1234567.04), "1,234,567.0");
    EXPECT_EQ(TapeLengthText(999.96), "1,000.0");
    EXPECT_EQ(TapeLengthText(-12.25), "-12.2");
    EXPECT_EQ(TapeLengthText(std::numeric_limits<double>::quiet_NaN()), "0.0");
    EXPECT_EQ(TapeLengthText(std::numeric_limits<double>::infinity()), "0.0");
    EXPECT_EQ(TapeLengthText(1e300).substr(0, 6), "1,000,");
}

}  // namespace
}  // namespace plyx::engine
