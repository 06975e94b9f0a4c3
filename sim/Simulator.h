#pragma once
// A stand-in for a controller board of either family, served on a
// pseudo-terminal so that the program, its tests, benchmarks and the demo
// can run without hardware.  See sim/README.md for the board's behaviour.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plyx::sim {

enum class Family { FourAxis = 1, TwoAxis = 2 };

// The four panel switches wired to the board's inputs (active low on the
// wire).  The values are the program's switch-flag bits.
enum class Switch { Start = 1, Pause = 2, Stop = 4, Burnish = 8 };

// Lamp bits as reported in SimState::lamps: the switch bits plus ABORT.
constexpr int kLampStart = 1, kLampPause = 2, kLampStop = 4, kLampBurnish = 8, kLampAbort = 16;

// Axis indices of SimState::position and MoveRecord::steps.
enum Axis { kW = 0, kX = 1, kY = 2, kZ = 3 };

struct SimOptions {
    // Identification: the family follows from the name ("QM4D..." is the
    // 4-axis family, everything else the 2-axis family).
    std::string firmwareName = "QM4DNCRouterVarn";
    std::string versionText = "4.71";
    // Queue places; 4-axis firmware below version 3 counts places in one
    // digit and has at most 9.
    int queueCapacity = 30;
    // 0: moves take no time; 1: real time; 0.1: ten times faster than real.
    double timeScale = 0.0;
    // Pacing of the line at 10 bits per byte; 0: unpaced.
    int baud = 0;
    // Fixed delay before every reply starts, in ms.
    int latencyMs = 0;
    // Reply bytes the program receives together, at the time the last of
    // them arrives (a UART's receive FIFO, a USB adapter's packet); 1: each
    // byte on its own, the hardest case for the program's reads.
    int burstBytes = 16;
    // Microseconds before a byte is due, and after a reply has gone, in
    // which the server watches the line without sleeping, so that the
    // simulated line keeps time like a real one at the cost of CPU in the
    // simulator. 0: it always sleeps, and its wake-ups may come late.
    int spinMicros = 0;
    // Close START once when the program is waiting for a start (README).
    bool autoStart = false;
};

enum class RunState { Idle, Moving, Dwelling, Paused, Stopped };

struct MoveRecord {
    enum Kind { Line, Arc };
    // Queued: waiting or running; Ran: the motors completed it; Dropped:
    // thrown away by a stop or a reset (a move cut while running included).
    enum Status { Queued, Ran, Dropped };
    Kind kind = Line;
    std::array<int32_t, 4> steps{};  // relative steps W, X, Y, Z
    int32_t rate = 0;                // run rate in force when queued (sign kept)
    Status status = Queued;
    // Restarts and power cycles of the board before it accepted the move:
    // where this number changes in the record, the board was cut off.
    uint32_t boot = 0;
};

struct Counters {
    uint64_t commands = 0;       // command characters acted on (incl. binary deltas)
    uint64_t bytesIn = 0;        // bytes received from the program
    uint64_t bytesOut = 0;       // bytes sent to the program
    uint64_t replies = 0;        // replies produced
    uint64_t underruns = 0;      // see README: queue ran dry mid-stream
    uint64_t refusedMoves = 0;   // queue entries refused (queue full or stopped)
    uint64_t resets = 0;         // "!" received
    uint64_t restarts = 0;       // restarts by the board itself (positions kept)
    uint64_t powerCycles = 0;    // power cycles (positions cleared)
    uint64_t identifications = 0;  // "-12?" answered
    uint64_t unknownCommands = 0;  // letters this family does not know
    uint64_t movesRan = 0;       // moves and arcs the motors completed
    uint64_t movesDropped = 0;   // moves and arcs thrown away by a stop or reset
    uint64_t switchReads = 0;    // reports of the switch inputs answered
    // Board seconds of the moves and arcs the motors completed: their time at
    // time scale 1, counted in full even when moves take no time.
    double motionSeconds = 0;
};

struct SimState {
    Family family = Family::FourAxis;
    RunState run = RunState::Idle;
    char stateLetter = 'I';
    int capacity = 0;
    int queueFill = 0;  // entries waiting or executing
    int queueFree = 0;  // capacity - queueFill
    std::array<int64_t, 4> position{};  // W, X, Y, Z steps
    int lamps = 0;        // kLamp* bits that are lit
    uint32_t outputs = 0; // raw output word as written by the program
    int switchesClosed = 0;  // Switch bits currently closed
    uint32_t limitInputs = 0;  // tripped limit inputs (1 = tripped)
    uint32_t latched = 0;      // latched inputs not yet read
    int32_t runRate = 0, rampRate = 0, stopOkRate = 0;
    bool verbose = false;
    bool programConnected = false;  // the program's end is open
    Counters counters;
    // One line of key=value pairs separated by blanks.
    std::string ToLine() const;
};

class Simulator {
public:
    explicit Simulator(SimOptions options = {});
    ~Simulator();  // stops serving
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the pseudo-terminal pair and serves the board end on a thread.
    // Throws std::system_error when the pair cannot be made.
    void Start();
    void Stop();
    // Closes the board end: the program sees an unplugged cable.
    void Unplug();
    // The board restarts by itself mid-stream: queue, rates and outputs are
    // lost, the position counters kept, the line stays open.
    void Restart();
    // The board's power goes off and on: as Restart, and the position
    // counters, latched inputs and all settings go back to power-up values.
    // The line stays open (the adapter has its own power).
    void PowerCycle();
    bool Running() const;

    // The program's end, e.g. /dev/pts/7.
    std::string DevicePath() const;
    // Makes <dataDirectory>/ports/COMn a link to DevicePath(); returns its path.
    std::string RegisterAsCom(const std::string& dataDirectory, int n);

    // Panel and inputs.
    void Press(Switch s);
    void Release(Switch s);
    void Tap(Switch s, int ms);           // press now, release after ms
    void SetLimitInputs(uint32_t tripped);  // 1 bits = tripped
    void Latch(uint32_t bits);            // latch input events until read
    // The bit that the program watches for an abort on this family.
    uint32_t AbortLatchBit() const;

    // Faults.
    void SetSilent(bool on);              // no replies, input ignored
    void InjectGarbage(std::string bytes);  // inside the next reply
    void SetEcho(bool on);                // modem-like: echo, no board
    void SetSlowReplies(int gapMs);       // gap before every reply byte
    void DropReplies(int count);          // the next count replies are lost

    // What passed on the line, for replaying it without the program: every
    // block of bytes read from the program at once and the number of
    // replies its bytes produced.  Start a record while the line is quiet.
    struct Exchange {
        std::string sent;
        int replies = 0;
    };
    void RecordExchanges();
    std::vector<Exchange> TakeExchanges();  // ends the record

    // Link timing.
    void SetPacing(int baud);
    void SetBurst(int bytes);
    void SetLatency(int ms);

    SimState State() const;
    std::vector<MoveRecord> Moves() const;
    void ClearMoves();
    // Polls State() until pred holds or the time runs out.
    bool WaitFor(const std::function<bool(const SimState&)>& pred,
                 std::chrono::milliseconds timeout) const;

    // Runs one control line ("press START", "state", ...); returns the text
    // to print (may be empty).  Sets *quit on "quit".
    std::string Control(const std::string& line, bool* quit = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace plyx::sim
