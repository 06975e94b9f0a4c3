#pragma once
// Texts of the run status window's progress labels.
#include <cstdint>
#include <string>

namespace plyx::engine {

// The last two characters of "00" followed by n ("07", "42").
std::string TwoDigits(std::int32_t n);

// hours:minutes:seconds with unpadded hours ("1:02:05", "25:01:01").
std::string ElapsedTimeText(std::int64_t seconds);

// A tape length with one decimal place and thousands grouped by ","
// ("1,234.5"). A length that is not a finite number shows as "0.0".
std::string TapeLengthText(double length);

}  // namespace plyx::engine
