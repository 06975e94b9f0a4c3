#pragma once
// The least any program could do with a recorded run: write each block the
// program wrote and wait for as many replies as it got, on a bare file
// descriptor (write, poll, read). Against the same simulated line it shows
// what the line itself allows, so that a run's time can be held to it.
#include <string>
#include <vector>

#include "sim/Simulator.h"

namespace plyx::bench {

struct BareTimes {
    double wallSeconds = 0;
    double cpuSeconds = 0;  // of the calling thread, user + system
};

// Replays the exchanges on the device, sleeping pauseMs after each one
// (0: none), as a program that polls at that interval would; returns the
// wall and CPU time of the loop. Throws std::runtime_error when the device
// cannot be opened, a write fails or a reply does not come within a second.
BareTimes BareReplay(const std::string& device, const std::vector<sim::Simulator::Exchange>& exchanges,
                     int pauseMs = 0);

}  // namespace plyx::bench
