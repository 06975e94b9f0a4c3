#include "tests/support/Csv.h"

#include "platform/Csv.h"

namespace plyx::test {

std::vector<std::vector<std::string>> ParseCsv(const std::string& text) { return platform::ParseCsv(text); }

}  // namespace plyx::test
