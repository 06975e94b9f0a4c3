#pragma once
// A clock that moves only when told to (or by the amount each Sleep asks):
// waits and time stamps become deterministic in tests.
#include "platform/Clock.h"

namespace plyx::platform {

class FakeClock final : public Clock {
public:
    std::int64_t ticks = 0;             // nanoseconds
    std::time_t wallStart = 1765000000;  // a fixed date
    std::int64_t autoAdvanceNs = 0;     // added on every Ticks() call
    std::int64_t sleptMs = 0;

    std::int64_t Ticks() override {
        ticks += autoAdvanceNs;
        return ticks;
    }
    std::int64_t TickFrequency() override { return 1000000000; }
    std::uint32_t GetTickCount() override { return static_cast<std::uint32_t>(ticks / 1000000); }
    void Sleep(std::int32_t ms) override {
        if (ms > 0) {
            ticks += static_cast<std::int64_t>(ms) * 1000000;
            sleptMs += ms;
        }
    }
    std::time_t WallTime() override { return wallStart + static_cast<std::time_t>(ticks / 1000000000); }
    void AdvanceMs(double ms) { ticks += static_cast<std::int64_t>(ms * 1e6); }
};

}  // namespace plyx::platform
