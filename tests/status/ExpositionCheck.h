#pragma once
// The rules of Prometheus' text exposition format (0.0.4) as a scraper
// applies them, for the tests: names, labels and their escaping, HELP and
// TYPE lines before a family's samples, one block per family, no series
// twice, counters and histograms as they must be.
#include <map>
#include <string>
#include <vector>

namespace plyx::status::test {

struct Series {
    std::string name;
    std::map<std::string, std::string> labels;  // unescaped
    double value = 0;
};

// Every rule the text breaks, one line each; empty when it is well formed.
std::vector<std::string> ExpositionProblems(const std::string& text, std::vector<Series>* series = nullptr);

}  // namespace plyx::status::test
