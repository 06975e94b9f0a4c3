#pragma once
// Reading the production record back, for a run the counters know only in
// part (the program was killed during it, or between its line and theirs).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plyx::engine {


// A run's line of the record, as far as the counters need it.
struct RecordedRun {
    std::string outcome;
    std::int64_t seconds = 0;
    double tapeInches = 0;
    std::int32_t errorNumber = 0;
};

// The last line among the record's last ones whose start column is start
// (ISO 8601, as the record writes it); nullopt when there is none.
std::optional<RecordedRun> FindRecordedRun(const std::string& recordPath, const std::string& start);

}  // namespace plyx::engine
