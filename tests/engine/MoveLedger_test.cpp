// The ledger of moves against the head's position, with plain numbers: the
// cases a simulated restart does not reach (counters cleared by a power
// cycle, a head between two counts, the queue's last moves).
#include <gtest/gtest.h>

#include "engine/MoveLedger.h"

namespace plyx::engine::test {
namespace {

// Ten moves of +100/-50 from 1000/1000, the first five in layer 1, on a
// controller that holds six; its count then says four wait (six done).
MoveLedger Streamed() {
    MoveLedger ledger;
    ledger.Start(1000, 1000, 1, 6);
    for (int i = 0; i < 10; ++i) ledger.Queued(100, -50, static_cast<std::int16_t>(i < 5 ? 1 : 2));
    ledger.Observe(4);
    return ledger;
}

TEST(MoveLedger, PositionOnTheWayIsFineAndEverythingElseCountsTheMovesLost) {
    const struct {
        const char* what;
        std::int64_t x, y;
        std::int64_t lost;
        std::int16_t layer;
    } cases[] = {
        {"after the moves counted as done", 1600, 700, 0, 2},
        {"in the middle of the next one", 1650, 675, 0, 2},
        {"all of the waiting ones run since the count", 2000, 500, 0, 2},
        {"stopped after three moves (a restart)", 1300, 850, 3, 1},
        {"in the middle of the fourth (cut by the restart)", 1350, 825, 3, 1},
        // Nowhere on the way: at least the moves the count let go at once.
        {"counters cleared by a power cycle", 0, 0, 6, 1},
        {"beyond every move queued", 2100, 450, 6, 1},
    };
    for (const auto& c : cases) {
        const MoveLedger ledger = Streamed();
        EXPECT_EQ(ledger.Check(c.x, c.y), c.lost) << c.what;
        EXPECT_EQ(ledger.LayerReached(), c.layer) << c.what;
    }
}

// A head at the run's start is farther back than a queue of three can lose:
// not taken as ten moves lost in layer 1, but as the three the count let go.
TEST(MoveLedger, NoMoreLostThanTheQueueHeld) {
    MoveLedger ledger;
    ledger.Start(1000, 1000, 1, 3);
    for (int i = 0; i < 10; ++i) {
        ledger.Queued(100, -50, static_cast<std::int16_t>(i < 5 ? 1 : 2));
        if (i >= 3) ledger.Observe(3);  // full, one done per move queued
    }
    EXPECT_TRUE(ledger.Observe(0));
    EXPECT_EQ(ledger.Check(1000, 1000), 3);
    EXPECT_EQ(ledger.LayerReached(), 2);
    // The smallest drop that asks for a look is remembered too.
    ledger.Queued(100, -50, 2);
    ledger.Queued(100, -50, 2);
    EXPECT_TRUE(ledger.Observe(0));
    EXPECT_EQ(ledger.Check(0, 0), 2);
}

TEST(MoveLedger, ADropOfMoreThanOneMoveAsksForALook) {
    MoveLedger ledger = Streamed();
    EXPECT_FALSE(ledger.Observe(3));  // one more done: the usual
    EXPECT_TRUE(ledger.Observe(0));   // three at once
    EXPECT_EQ(ledger.Check(1300, 850), 7);  // ten counted as done, three ran
    ledger.Stop();
    EXPECT_FALSE(ledger.Observe(0));
}

}  // namespace
}  // namespace plyx::engine::test
