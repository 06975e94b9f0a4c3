#include "platform/Clock.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace plyx::platform {

std::int64_t SteadyClock::Ticks() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

std::int64_t SteadyClock::TickFrequency() {
    using P = std::chrono::steady_clock::period;
    return static_cast<std::int64_t>(P::den / P::num);
}

std::uint32_t SteadyClock::GetTickCount() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

void SteadyClock::Sleep(std::int32_t ms) {
    if (ms <= 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::time_t SteadyClock::WallTime() { return std::time(nullptr); }

Clock& SystemClock() {
    static SteadyClock clock;
    return clock;
}

std::tm LocalTime(std::time_t t) {
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

std::string GeneralDateTime(std::time_t t) {
    std::tm tm = LocalTime(t);
    int hour12 = tm.tm_hour % 12;
    if (hour12 == 0) hour12 = 12;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d %s", tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_year + 1900, hour12, tm.tm_min, tm.tm_sec, tm.tm_hour < 12 ? "AM" : "PM");
    return buf;
}

}  // namespace plyx::platform
