// The logind inhibitor: on a system without a bus or without permission it
// says why; where logind grants the lock it is held until released.
#include "platform/qt/LogindKeepAwake.h"

#include <gtest/gtest.h>

namespace {

TEST(LogindKeepAwake, AcquireEitherHoldsTheLockOrSaysWhy) {
    plyx::platform::LogindKeepAwake awake;
    std::string whyNot;
    if (awake.Acquire(whyNot)) {
        EXPECT_TRUE(awake.Held());
        EXPECT_TRUE(awake.Acquire(whyNot));  // again: still the one lock
        awake.Release();
        EXPECT_FALSE(awake.Held());
    } else {
        EXPECT_FALSE(awake.Held());
        EXPECT_FALSE(whyNot.empty());
        awake.Release();  // harmless when nothing is held
    }
}

}  // namespace
