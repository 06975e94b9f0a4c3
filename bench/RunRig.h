#pragma once
// One full run of the program's run engine, driver and board link against
// a simulated controller, without windows: what the program does between
// pressing Start Full Run and being back at the main window. The board is
// either a simulator inside this process (on its own thread) or an
// external boardsim reached through its device path and control socket.
#include <cstdint>
#include <string>

namespace plyx::bench {

struct RunOptions {
    // External board: the program end of its pseudo-terminal and its
    // control socket. Empty device: a simulator in this process.
    std::string device;
    std::string controlSocket;
    // The line pacing (also the wire bound of an external board) and, for
    // the in-process simulator, its motion, latency and queue.
    int baud = 115200;
    double timeScale = 0;  // 0 instant motion, 1 real time
    int latencyMs = 0;
    int burstBytes = 16;
    int spinMicros = 0;
    int capacity = 30;
    std::string firmwareVersion;  // e.g. "5.02"; empty: the simulator's default
    // Shell parameters; negative keeps the default.
    int tlc = -1;
    double trs = -1;
    double asapl = -1;
    // Working log (the communication log with every byte); empty = closed.
    std::string logFile;
    // Folder for the data directory; empty = a new temporary folder.
    std::string workDir;
    // The status page as the program serves it (the run's observers, the
    // status server on this STATUSLISTEN address); empty = neither.
    std::string statusListen;
    // In-process simulator: every block of bytes it read during the run
    // and the replies each got, one per line (to compare two builds' wire).
    std::string wireFile;
};

struct RunResult {
    double wallSeconds = 0;     // StartRun from call to return
    double cpuUserSeconds = 0;  // program thread only
    double cpuSysSeconds = 0;
    long waits = 0;  // voluntary context switches of the program thread (blocking reads)
    std::uint64_t segments = 0;  // moves queued on the controller
    std::uint64_t bytesToBoard = 0;
    std::uint64_t bytesFromBoard = 0;
    std::uint64_t underruns = 0;
    std::uint64_t refusedMoves = 0;
    long peakRssKb = 0;  // of this process, at the end of the run
    int baud = 0;        // pacing of the line (for the wire bound)
    bool boardStateKnown = false;
    // The same exchanges replayed by a bare loop on the same line, right
    // after the run (in-process simulator only).
    bool bareKnown = false;
    double bareWallSeconds = 0;
    std::uint64_t bareBytesToBoard = 0;
    std::uint64_t bareBytesFromBoard = 0;
    // The status server's answers during the run (statusListen only).
    bool statusKnown = false;
    std::uint64_t statusAnswered = 0;
    std::uint64_t statusBusy = 0;
    std::uint64_t statusTimedOut = 0;

    // Time the bytes of the run need on the wire at 10 bits a byte, one
    // direction after the other (every command waits for its reply).
    double WireBoundSeconds() const;
    double BareWireBoundSeconds() const;
    // Key=value pairs on one line.
    std::string ToLine() const;
};

// Runs one full run; throws std::runtime_error (or the link's error) when
// the board cannot be reached or the run fails.
RunResult RunFullRun(const RunOptions& options);

}  // namespace plyx::bench
