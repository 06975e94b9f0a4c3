#pragma once
// Reading comma-separated text back (the production record): fields quoted
// where they hold a comma, quote, CR or LF, quotes doubled; lines end in
// CR LF or LF; empty lines are no records.
#include <string>
#include <vector>

namespace plyx::platform {

std::vector<std::vector<std::string>> ParseCsv(const std::string& text);

}  // namespace plyx::platform
