#include "engine/DisplayText.h"

#include <cmath>
#include <cstdio>

namespace plyx::engine {

std::string TwoDigits(std::int32_t n) {
    std::string s = "00" + std::to_string(n);
    return s.substr(s.size() - 2);
}

std::string ElapsedTimeText(std::int64_t seconds) {
    if (seconds < 0) seconds = -seconds;
    std::int64_t hours = seconds / 3600;
    auto minutes = static_cast<std::int32_t>((seconds / 60) % 60);
    auto secs = static_cast<std::int32_t>(seconds % 60);
    return std::to_string(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(secs);
}

std::string TapeLengthText(double length) {
    if (!std::isfinite(length)) length = 0.0;
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.1f", std::fabs(length));
    std::string digits(buffer);
    std::size_t point = digits.find('.');
    std::string whole = digits.substr(0, point);
    std::string grouped;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) grouped += ',';
        grouped += whole[i];
    }
    bool negative = length < 0 && digits != "0.0";
    return (negative ? "-" : "") + grouped + digits.substr(point);
}

}  // namespace plyx::engine
