#pragma once
// The board link set up on a device as the benchmarks use it: COM7 in the
// data directory's ports folder links to the device, no real serial device
// or FTDI adapter joins in, and no keep-awake lock is taken.
#include <string>

#include "link/ZentrovaCom.h"

namespace plyx::bench {

// A new empty folder under /tmp whose name begins with prefix; throws
// std::runtime_error when it cannot be made.
std::string MakeTempDir(const std::string& prefix);

// Makes dataDirectory/ports/COM7 a link to device (replacing an old one)
// and points the link's port mapping at it; the port is not opened.
// Throws std::runtime_error when the link cannot be made.
void BindCom7(link::ZentrovaCom& boardLink, const std::string& dataDirectory, const std::string& device);

}  // namespace plyx::bench
