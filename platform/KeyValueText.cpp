#include "platform/KeyValueText.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace plyx::platform {

std::string KeyValueText(const std::string& heading, const KeyValues& values) {
    std::string text = heading + "\n";
    for (const auto& [key, value] : values) text += key + "=" + value + "\n";
    return text;
}

std::optional<KeyValues> ParseKeyValueText(const std::string& text, const std::string& heading) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != heading) return std::nullopt;
    KeyValues values;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) return std::nullopt;
        values.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return values;
}

// to_chars and from_chars: the shortest text that reads back exactly, and
// "." whatever the locale (Qt sets the user's).
std::string ExactRealText(double value) {
    char buf[40];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

bool ReadInteger(const std::string& text, long long& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

bool ReadNonNegativeReal(const std::string& text, double& out) {
    if (text.empty()) return false;
    double v = 0;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, v);
    if (ec != std::errc() || end != last || !std::isfinite(v) || v < 0) return false;
    out = v;
    return true;
}

}  // namespace plyx::platform
