// The line model: pacing, latency and injected faults, in explicit time.
#include "sim/LinkShaper.h"

#include <gtest/gtest.h>

namespace plyx::sim {
namespace {

TEST(LinkShaper, UnpacedBytesAreDueAtOnce) {
    LinkShaper l;
    l.Incoming(1.0, "h");
    EXPECT_EQ(l.DueToBoard(1.0), "h");
    l.Outgoing(1.0, "I30*");
    EXPECT_EQ(l.DueToProgram(1.0), "I30*");
    EXPECT_EQ(l.NextDue(), std::numeric_limits<double>::infinity());
    // Clear drops bytes in flight.
    l.SetBaud(100);
    l.Incoming(2, "abc");
    l.Outgoing(2, "xyz");
    l.Clear();
    EXPECT_EQ(l.DueToBoard(10), "");
    EXPECT_EQ(l.DueToProgram(10), "");
}

TEST(LinkShaper, PacingSpacesBytesByTenBitTimes) {
    LinkShaper l;
    l.SetBaud(1000);  // 10 ms a byte
    l.Outgoing(0, "G29*");
    EXPECT_EQ(l.DueToProgram(0.0095), "");
    EXPECT_EQ(l.DueToProgram(0.0205), "G2");
    EXPECT_NEAR(l.NextDue(), 0.03, 1e-9);
    EXPECT_EQ(l.DueToProgram(1), "9*");
    // Input is paced the same way.
    l.Incoming(1, "abc");
    EXPECT_EQ(l.DueToBoard(1.015), "a");
    EXPECT_EQ(l.DueToBoard(1.031), "bc");
    // Replies queue behind each other.
    l.Outgoing(2, "**");
    l.Outgoing(2, "I30*");
    EXPECT_EQ(l.DueToProgram(2.0305), "**I");
}

TEST(LinkShaper, BurstsArriveWholeWhenTheirLastByteHasArrived) {
    LinkShaper l;
    l.SetBaud(1000);
    l.SetBurstBytes(16);
    l.Outgoing(0, "G29*");
    EXPECT_EQ(l.DueToProgram(0.0395), "");
    EXPECT_NEAR(l.NextDue(), 0.04, 1e-9);  // the last byte is not held back
    EXPECT_EQ(l.DueToProgram(0.0401), "G29*");
    // A reply longer than a burst goes in pieces, each on time.
    l.SetBurstBytes(3);
    l.Outgoing(1, "X,7,255*");
    EXPECT_EQ(l.DueToProgram(1.0305), "X,7");
    EXPECT_EQ(l.DueToProgram(1.0605), ",25");
    EXPECT_EQ(l.DueToProgram(1.0795), "");
    EXPECT_EQ(l.DueToProgram(1.0805), "5*");
    // Bytes with gaps between them are never held for each other.
    l.SetSlowGapMs(100);
    l.Outgoing(2, "I30*");
    EXPECT_EQ(l.DueToProgram(2.25), "I3");
}

TEST(LinkShaper, BytesReachTheBoardWithTheirArrivalTimes) {
    LinkShaper l;
    l.SetBaud(1000);
    l.Incoming(1, "ab");
    auto arrived = l.ArrivedAtBoard(5);  // looked at long after
    ASSERT_EQ(arrived.size(), 2u);
    EXPECT_EQ(arrived[0].second, 'a');
    EXPECT_NEAR(arrived[0].first, 1.01, 1e-9);
    EXPECT_NEAR(arrived[1].first, 1.02, 1e-9);
    // A reply to the last byte is timed from its arrival, not from "now".
    l.Outgoing(arrived[1].first, "*");
    EXPECT_NEAR(l.NextDue(), 1.03, 1e-9);
}

TEST(LinkShaper, LatencyDelaysTheStartOfEveryReplyAndSlowRepliesEveryByte) {
    LinkShaper l;
    l.SetLatencyMs(16);
    l.Outgoing(0, "*");
    EXPECT_EQ(l.DueToProgram(0.015), "");
    EXPECT_EQ(l.DueToProgram(0.016), "*");
    l.Outgoing(1, "*");
    EXPECT_EQ(l.DueToProgram(1.010), "");
    EXPECT_EQ(l.DueToProgram(1.020), "*");
    LinkShaper slow;
    slow.SetSlowGapMs(100);
    slow.Outgoing(0, "I30*");
    EXPECT_EQ(slow.DueToProgram(0.25), "I3");
    EXPECT_EQ(slow.DueToProgram(0.45), "0*");
}

TEST(LinkShaper, GarbageGoesInsideTheNextReplyOnly) {
    LinkShaper l;
    l.InjectGarbage("#?");
    l.Outgoing(0, "I30*");
    EXPECT_EQ(l.DueToProgram(0), "I3#?0*");
    l.Outgoing(0, "I30*");
    EXPECT_EQ(l.DueToProgram(0), "I30*");
    l.InjectGarbage("x");
    l.Outgoing(0, "*");
    EXPECT_EQ(l.DueToProgram(0), "x*");  // never after the end mark
}

}  // namespace
}  // namespace plyx::sim
