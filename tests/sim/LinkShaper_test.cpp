// The line model: pacing, latency and injected faults, in explicit time.
#include "sim/LinkShaper.h"

#include <gtest/gtest.h>

namespace plyx::sim {
namespace {

TEST(LinkShaper, PacingBurstsLatencySlowRepliesAndGarbageInExplicitTime) {
    LinkShaper l;
    l.Outgoing(1.0, "I30*");
    EXPECT_EQ(l.DueToProgram(1.0), "I30*");  // unpaced: at once
    l.SetBaud(1000);                         // 10 ms a byte
    l.Outgoing(2, "**");
    l.Outgoing(2, "I30*");  // replies queue behind each other
    EXPECT_EQ(l.DueToProgram(2.0095), "");
    EXPECT_EQ(l.DueToProgram(2.0305), "**I");
    EXPECT_NEAR(l.NextDue(), 2.04, 1e-9);
    EXPECT_EQ(l.DueToProgram(2.1), "30*");
    l.Incoming(3, "ab");
    auto arrived = l.ArrivedAtBoard(5);  // looked at long after: each with its own arrival time
    ASSERT_EQ(arrived.size(), 2u);
    EXPECT_EQ(arrived[1].second, 'b');
    EXPECT_NEAR(arrived[0].first, 3.01, 1e-9);
    EXPECT_NEAR(arrived[1].first, 3.02, 1e-9);
    l.SetBurstBytes(3);
    l.Outgoing(4, "X,7,255*");  // in bursts, each whole when its last byte has arrived
    EXPECT_EQ(l.DueToProgram(4.0295), "");
    EXPECT_EQ(l.DueToProgram(4.0305), "X,7");
    EXPECT_EQ(l.DueToProgram(4.0795), ",25");
    EXPECT_EQ(l.DueToProgram(4.0805), "5*");  // the last byte is not held back
    l.SetSlowGapMs(100);
    l.SetLatencyMs(16);
    l.InjectGarbage("#?");
    l.Outgoing(5, "I30*");  // the first byte late, the others slow, the garbage inside only
    l.Outgoing(5, "*");
    EXPECT_EQ(l.DueToProgram(5.125), "");  // 16 ms, the gap of 100 and the byte's 10
    EXPECT_EQ(l.DueToProgram(5.13), "I");
    EXPECT_EQ(l.DueToProgram(5.79), "3#?0**");
    l.Incoming(6, "abc");
    l.Clear();
    EXPECT_EQ(l.DueToBoard(100) + l.DueToProgram(100), "");
}

}  // namespace
}  // namespace plyx::sim
