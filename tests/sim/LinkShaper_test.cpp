// The line model: pacing, latency and injected faults, in explicit time.
#include "sim/LinkShaper.h"

#include <gtest/gtest.h>

namespace plyx::sim {
namespace {

TEST(LinkShaper, UnpacedBytesAreDueAtOncePacedOnesTenBitTimesApartAndClearDropsThem) {
    LinkShaper l;
    l.Incoming(1.0, "h");
    l.Outgoing(1.0, "I30*");
    EXPECT_EQ(l.DueToBoard(1.0), "h");
    EXPECT_EQ(l.DueToProgram(1.0), "I30*");
    EXPECT_EQ(l.NextDue(), std::numeric_limits<double>::infinity());
    l.SetBaud(1000);  // 10 ms a byte
    l.Outgoing(2, "**");
    l.Outgoing(2, "I30*");  // replies queue behind each other
    EXPECT_EQ(l.DueToProgram(2.0095), "");
    EXPECT_EQ(l.DueToProgram(2.0305), "**I");
    EXPECT_NEAR(l.NextDue(), 2.04, 1e-9);
    l.Incoming(3, "ab");
    auto arrived = l.ArrivedAtBoard(5);  // looked at long after: each with its own arrival time
    ASSERT_EQ(arrived.size(), 2u);
    EXPECT_EQ(arrived[0].second, 'a');
    EXPECT_NEAR(arrived[0].first, 3.01, 1e-9);
    EXPECT_NEAR(arrived[1].first, 3.02, 1e-9);
    l.Incoming(6, "abc");
    l.Outgoing(6, "xyz");
    l.Clear();
    EXPECT_EQ(l.DueToBoard(10) + "|" + l.DueToProgram(10), "|");
}

TEST(LinkShaper, BurstsArriveWholeLatencyDelaysEachReplySlowRepliesEveryByteGarbageGoesInside) {
    LinkShaper l;
    l.SetBaud(1000);
    l.SetBurstBytes(3);
    l.Outgoing(1, "X,7,255*");  // pieces of a burst, each whole when its last byte has arrived
    EXPECT_EQ(l.DueToProgram(1.0295), "");
    EXPECT_EQ(l.DueToProgram(1.0305), "X,7");
    EXPECT_EQ(l.DueToProgram(1.0795), ",25");
    EXPECT_EQ(l.DueToProgram(1.0805), "5*");  // the last byte is not held back
    l.SetSlowGapMs(100);
    l.Outgoing(2, "I30*");  // bytes with gaps between them are never held for each other
    EXPECT_EQ(l.DueToProgram(2.25), "I3");
    EXPECT_EQ(l.DueToProgram(2.45), "0*");
    LinkShaper late;
    late.SetLatencyMs(16);
    late.Outgoing(0, "*");
    EXPECT_EQ(late.DueToProgram(0.015), "");
    EXPECT_EQ(late.DueToProgram(0.016), "*");
    late.InjectGarbage("#?");
    late.Outgoing(1, "I30*");
    late.Outgoing(1, "*");
    EXPECT_EQ(late.DueToProgram(1.015), "");
    EXPECT_EQ(late.DueToProgram(1.016), "I3#?0**");  // inside the next reply only, never after its end mark
}

}  // namespace
}  // namespace plyx::sim
