#pragma once
// Reading the production record back: the fields of each line of CSV text
// (quoted fields may hold line ends).
#include <string>
#include <vector>

namespace plyx::test {

std::vector<std::vector<std::string>> ParseCsv(const std::string& text);

}  // namespace plyx::test
