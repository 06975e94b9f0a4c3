#pragma once
// Time services: a monotonic high-resolution counter, millisecond ticks,
// sleeping and the local date and time. Behind an interface so tests can
// run waits and time stamps on a fake clock.
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

namespace plyx::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Performance counter: ticks of a steady clock and their frequency.
    virtual std::int64_t Ticks() = 0;
    virtual std::int64_t TickFrequency() = 0;
    // Milliseconds of the same steady clock (wraps like a 32-bit counter).
    virtual std::uint32_t GetTickCount() = 0;
    // Sleep for ms milliseconds; 0 yields the processor.
    virtual void Sleep(std::int32_t ms) = 0;
    // Current wall-clock time (seconds since the epoch), shown in local time.
    virtual std::time_t WallTime() = 0;
};

// The real clock: std::chrono::steady_clock and the system clock.
class SteadyClock final : public Clock {
public:
    std::int64_t Ticks() override;
    std::int64_t TickFrequency() override;
    std::uint32_t GetTickCount() override;
    void Sleep(std::int32_t ms) override;
    std::time_t WallTime() override;
};

// Process-wide real clock, for code that is handed no other.
Clock& SystemClock();

// Local calendar fields of a wall time (thread-safe localtime).
std::tm LocalTime(std::time_t t);
// The general date and time form: "12/6/2026 1:05:09 PM".
std::string GeneralDateTime(std::time_t t);

}  // namespace plyx::platform
