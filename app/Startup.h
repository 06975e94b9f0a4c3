#pragma once
// The start-up sequence of one instance.
#include <cstdint>

#include "app/Environment.h"
#include "app/ParameterSet.h"

namespace plyx::app {

// The parts of start-up that need the board link and the windows. Each
// default does nothing.
class StartupContinuation {
public:
    virtual ~StartupContinuation() = default;
    // Create the board link object and set its AutoAwakeFlags to 1 (start of start-up).
    virtual void CreateBoardLink() {}
    // Show the splash window without waiting for it, and refresh it.
    virtual void ShowSplash() {}
    // Search the serial ports; continues start-up on the port it keeps.
    virtual void ScanForBoards() {}
};

// The working log's size limit in bytes for LOGMAXMB (fractions allowed):
// 0 means none; a negative value or NaN gives the default 200; at least 1 MB.
std::uint64_t LogSizeLimitBytes(double megabytes);

// Runs start-up: tables cleared and the internal dictionary built, program
// name from env.ExecutablePath, command line (env.CommandLine) read twice
// around the per-port prefix, start-up log opened, default.lng, defaults,
// settings file, command line again. With a continuation, then logs
// "Starting GUI", shows the splash window, logs "Starting port scan" and
// scans; without one it returns after the second command-line pass.
// Ends through env.ExitProgram when the data directory is unusable.
void Main(Environment& env, ParameterSet& params, StartupContinuation* continuation);

}  // namespace plyx::app
