#include "status/StatusSnapshot.h"

#include <algorithm>
#include <cmath>

namespace plyx::status {

const char* PhaseName(RunPhase phase) {
    switch (phase) {
        case RunPhase::Running: return "running";
        case RunPhase::Paused: return "paused";
        case RunPhase::Stopping: return "stopping";
        case RunPhase::Aborting: return "aborting";
        case RunPhase::Idle: break;
    }
    return "idle";
}

void RoundTripHistogram::Observe(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return;
    const auto bound = std::lower_bound(kBounds.begin(), kBounds.end(), seconds);
    ++counts[static_cast<std::size_t>(bound - kBounds.begin())];
    sum += seconds;
    ++count;
}

double StatusSnapshot::Progress() const {
    if (!(tapePlannedInches > 0) || !std::isfinite(tapeLaidInches)) return 0;
    return std::clamp(tapeLaidInches / tapePlannedInches, 0.0, 1.0);
}

}  // namespace plyx::status
