#pragma once
// The snapshot as one JSON object (/status.json): what the metrics say, the
// words the page shows, and the last runs of the production record.
#include <string>

#include "status/StatusSnapshot.h"

namespace plyx::status {

std::string StatusJson(const StatusSnapshot& s);

// Seconds as the windows show a time: "1:02:03".
std::string ClockText(double seconds);
// Inches as the tape length the operator reads: feet or metres, one decimal.
std::string TapeText(double inches, bool metres);

}  // namespace plyx::status
