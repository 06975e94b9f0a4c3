// The ring of (distance, layer) entries and the texts of the progress labels.
#include <gtest/gtest.h>

#include <limits>

#include "engine/DisplayText.h"
#include "engine/DistanceRing.h"

namespace plyx::engine {
namespace {

// Twice the queue plus one entries; the entry shown is the one the
// controller is at, behind the program by the count the board reports,
// however wild that count is.
TEST(DistanceRing, ExtractFollowsTheControllerAndStaysInside) {
    DistanceRing ring;
    ring.Reset(1);
    EXPECT_EQ(ring.Length(), 3);
    for (double d : {10.5, 20.0, 30.0}) ring.InsertDistance(d, static_cast<std::int16_t>(d / 10));
    EXPECT_EQ(ring.idNextDistance, 0);  // wrapped past the upper index
    EXPECT_EQ(ring.DistanceAt(0), 30);  // the newest values repeated at the next entry
    EXPECT_EQ(ring.LayerAt(0), 3);
    ring.Reset(30);
    ring.idNextDistance = 2;
    EXPECT_EQ(ring.GetExtractIndex(5), 58);
    EXPECT_FALSE(ring.ChangedSinceExtract(5));
    EXPECT_TRUE(ring.ChangedSinceExtract(4));
    EXPECT_EQ(ring.GetExtractIndex(2), 0);
    for (std::int16_t inUse : {std::int16_t{-40}, std::int16_t{-1}, std::int16_t{61}, std::int16_t{200},
                               std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()}) {
        std::int16_t index = ring.GetExtractIndex(inUse);
        EXPECT_TRUE(index >= 0 && index < 61) << inUse << " -> " << index;
    }
    ring.Reset(-5);
    EXPECT_EQ(ring.Length(), 1);
    ring.Reset(std::numeric_limits<std::int16_t>::max());
    EXPECT_GT(ring.Length(), 0);
}

TEST(DisplayText, ElapsedTimeAndTapeLength) {
    const std::pair<double, const char*> tape[] = {
        {0, "0.0"}, {1234567.04, "1,234,567.0"}, {999.96, "1,000.0"}, {-12.25, "-12.2"},
        {std::numeric_limits<double>::quiet_NaN(), "0.0"}, {std::numeric_limits<double>::infinity(), "0.0"}};
    for (auto [inches, text] : tape) EXPECT_EQ(TapeLengthText(inches), text) << inches;
    EXPECT_EQ(TapeLengthText(1e300).substr(0, 6), "1,000,");
    EXPECT_EQ(ElapsedTimeText(90061), "25:01:01");
    EXPECT_EQ(ElapsedTimeText(-61), "0:01:01");
}

}  // namespace
}  // namespace plyx::engine
