#pragma once
// The program's own small state files (the run journal, the machine
// counters): a heading line, then one key=value per line. Read back after a
// crash, and possibly edited by anyone: every reader checks what it gets.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace plyx::platform {

using KeyValues = std::vector<std::pair<std::string, std::string>>;

// heading, then "key=value" per line, each ended by "\n".
std::string KeyValueText(const std::string& heading, const KeyValues& values);
// The pairs after the heading line, in order; nullopt when the first line
// is not heading or a line has no "=".
std::optional<KeyValues> ParseKeyValueText(const std::string& text, const std::string& heading);

// A real as "%.17g": read back it is the same double.
std::string ExactRealText(double value);
// A whole decimal number and nothing else.
bool ReadInteger(const std::string& text, long long& out);
// A finite real of 0 or more and nothing else.
bool ReadNonNegativeReal(const std::string& text, double& out);

}  // namespace plyx::platform
