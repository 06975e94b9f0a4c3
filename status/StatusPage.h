#pragma once
// The status page (/): the run's state, layer, progress and time left, the
// last runs and the machine's counters, in the operator's language. It is
// whole as sent (no script needed to read it) and then follows the program
// by asking /status.json once a second.
#include <string>

#include "status/StatusSnapshot.h"

namespace plyx::status {

std::string StatusPage(const StatusSnapshot& s);

}  // namespace plyx::status
