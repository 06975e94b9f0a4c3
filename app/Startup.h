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

// Exit codes of an instance that start-up refuses.
inline constexpr int kExitBadRequestedPort = 2;  // REQCOMPORT names no port from 1 to 255
inline constexpr int kExitPortInUse = 3;         // another instance serves the requested port

// The working log's size limit in bytes for LOGMAXMB (fractions allowed):
// 0 means none; a negative value or NaN gives the default 200; at least 1 MB.
std::uint64_t LogSizeLimitBytes(double megabytes);

// Runs start-up: tables cleared and the internal dictionary built, program
// name from env.ExecutablePath, command line (env.CommandLine) read twice
// around the per-port prefix, start-up log opened, default.lng, defaults,
// settings file, command line again. With a continuation, then logs
// "Starting GUI", shows the splash window, logs "Starting port scan" and
// scans; without one it returns after the second command-line pass.
// Ends through env.ExitProgram when the data directory is unusable, when
// REQCOMPORT names no port (exit code 2, said on standard error and in the
// start-up log) and, with a continuation, when another instance holds the
// requested port's lock file (exit code 3, said on standard error and in a
// message box; none of that port's files is touched).
void Main(Environment& env, ParameterSet& params, StartupContinuation* continuation);

}  // namespace plyx::app
