#pragma once
// The least any program could do with a recorded run: write each block the
// program wrote and wait for as many replies as it got, on a bare file
// descriptor (write, poll, read). Against the same simulated line it shows
// what the line itself allows, so that a run's time can be held to it.
#include <string>
#include <vector>

#include "sim/Simulator.h"

namespace plyx::bench {

// Replays the exchanges on the device; returns the wall time in seconds.
// Throws std::runtime_error when the device cannot be opened, a write
// fails or a reply does not come within a second.
double BareReplay(const std::string& device, const std::vector<sim::Simulator::Exchange>& exchanges);

}  // namespace plyx::bench
