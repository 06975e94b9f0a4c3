#pragma once
// The board's protocol engine: bytes in, reply bytes out, time advanced by
// the caller.  No I/O and no threads, so it is tested with plain strings.
// The family classes (Board4Axis, Board2Axis) own their command letters;
// this base owns the byte parser, the move queue and the panel.
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Simulator.h"

namespace plyx::sim {

// The parameter text that came before a command character.
struct Param {
    std::string text;     // parameter characters as received
    bool present = false; // at least one digit
    int32_t value = 0;    // the last number of the text (clamped to 32 bits)
    // A leading "-" is the queue prefix for letters that have queue forms:
    // the entry is queued and its value is what follows the prefix.
    bool queuePrefix = false;
    int32_t queuedValue = 0;
};

Param ParseParam(const std::string& text);

class Board {
public:
    static std::unique_ptr<Board> Create(const SimOptions& options);
    virtual ~Board();

    // Feeds bytes from the program; replies are collected for TakeReplies.
    void Receive(std::string_view bytes);
    // Replies produced since the last call, one string per reply.
    std::vector<std::string> TakeReplies();
    // Moves board time on; entries of the queue run and complete.
    void Advance(double seconds);
    bool Instant() const { return instant_; }

    // Panel and inputs.
    void SetSwitch(int switchBits, bool closed);
    void SetLimitInputs(uint32_t tripped);
    void Latch(uint32_t bits);
    virtual uint32_t AbortLatchBit() const = 0;
    // The board restarts by itself (power dip, watchdog): as a reset
    // command, but nothing is answered, a half-received command is lost and
    // it counts as a restart, not as a reset received. Positions survive.
    void Restart();
    // Power off and on: a restart that also loses what lives only while
    // powered: positions, latched inputs and every setting back to its
    // power-up value. The EEPROM (and the settings saved in it) stays.
    void PowerCycle();

    SimState State() const;
    const std::vector<MoveRecord>& Moves() const { return moves_; }
    // Later records keep their place in the queue: entries name records by
    // serial number, counted from the first record ever made.
    void ClearMoves() {
        movesBase_ += moves_.size();
        moves_.clear();
    }
    Counters& counters() { return counters_; }
    const SimOptions& options() const { return options_; }

protected:
    explicit Board(const SimOptions& options, Family family);

    // One command character with the parameter text before it.
    virtual void Command(char letter, const Param& p) = 0;
    // Lamp bits (kLamp*) lit by the current output word.
    virtual int LampsFromOutputs() const = 0;
    // Whether a switch-input report is being read (for auto-start).
    void NoteSwitchRead();
    virtual bool AcceptsBinaryDelta() const { return false; }
    virtual void BinaryDelta(int axis, int32_t delta);
    // Limit inputs that the board itself reacts to (others are ignored).
    virtual uint32_t LimitMask() const = 0;

    // Replies.
    void Reply(std::string body);
    void Ack() { Reply("*"); }
    void ValueReply(const std::string& who, int32_t item, int64_t value);
    void NamedReply(const std::string& who, const std::string& item, int64_t value);
    void StateReply();
    // "~" after a line end, so that a host waiting for a line sees one.
    void AbortReply() { Reply("\r\n~"); }
    void IdentificationReply();
    std::string StateText() const;

    // EEPROM, the same on both families: `e` clears it (987654321), stores
    // the settings that survive a reset (123456789), selects a cell
    // (65536 + n) or writes the selected cell; report items 16384 + n read
    // a cell (false for any other item).
    void EepromCommand(int32_t v);
    bool EepromReport(int32_t item, int64_t* value) const;

    // Motion.
    struct Entry {
        enum Kind { Move, Arc, Dwell, PauseHere, Outputs };
        Kind kind = Move;
        std::array<int64_t, 4> delta{};
        int32_t rate = 0;
        double duration = 0;  // board seconds
        int outputsOp = 0;    // 0 set, 1 clear bits, 2 set bits
        uint32_t value = 0;
        uint64_t record = 0;  // serial number of the move's record (moves and arcs)
    };
    bool QueueEntry(Entry e);  // false when refused
    bool QueueMove(MoveRecord::Kind kind, const std::array<int64_t, 4>& delta, double duration = -1);
    // An arc of the given radius (steps) from beginDeg through sweepDeg on X/Y.
    bool QueueArc(double radius, double beginDeg, double sweepDeg);
    void QueueGo();            // move from planned to requested location
    void SetRequested(int axis, int32_t value, bool relative);
    void PauseMotion();
    void ResumeMotion();
    void StopMotion();         // drops the queue
    // Q: stops and drops the queue; "~" when queued moves were thrown away.
    void StopCommand();
    // Queue entries both families share: a dwell of |micros| and a pause point.
    void QueueDwell(int64_t micros);
    void QueuePausePoint();
    void ResetBoard();  // the reset command
    virtual void ResetFamily() {}
    // The family's own settings back to their power-up values.
    virtual void PowerUpFamily() {}
    void ApplyOutputs(int op, uint32_t bits);
    void SetCoordinatesToRequested();
    RunState Run() const;
    int QueueFree() const { return capacity_ - static_cast<int>(queue_.size()); }
    double MoveDuration(const std::array<int64_t, 4>& delta) const;
    void SettleInstant();

    SimOptions options_;
    Family family_;
    int majorVersion_ = 0;  // leading number of the version text; 99 if none
    bool instant_ = true;
    int capacity_ = 30;

    // Settings the program writes.
    int32_t runRate_ = 1000, rampRate_ = 0, stopOkRate_ = 0;
    int32_t pulseWidth_ = 0, pulsePolarities_ = 0, storedPolarities_ = 0;
    uint32_t outputs_ = 0, directions_ = 0, ioConfig_ = 0, limitBlock_ = 0;
    int motorMask_ = 0;
    bool verbose_ = false;
    bool absolute_ = true;
    std::array<int64_t, 4> requested_{};
    std::array<int32_t, 4> backlash_{};
    int32_t scratch_ = 0;
    std::vector<int32_t> eeprom_ = std::vector<int32_t>(64, 0);
    int32_t eepromSelected_ = -1;

    // Queue and positions: planned_ is where the last queued move ends.
    std::deque<Entry> queue_;
    std::array<int64_t, 4> position_{};
    std::array<int64_t, 4> planned_{};

    // Inputs.
    int switches_ = 0;
    uint32_t limits_ = 0;
    uint32_t latched_ = 0;
    bool abortReportPending_ = false;

private:
    void HandleByte(unsigned char b);
    void RunQueue(double seconds);
    void StartFront();
    void FinishFront();
    // Empties the queue; the moves in it are marked dropped.
    void DropQueue();
    void MarkRecord(const Entry& e, MoveRecord::Status status);
    void CheckLimitTrip();
    void UpdateAutoStart();
    // What a reset command and a restart have in common.
    void RestoreResetSettings();
    // A restart or power cycle: the half-received command is lost and the
    // moves accepted from now on belong to the next boot.
    void Reboot();

    std::string param_;
    int binaryHigh_ = -1;
    std::string echo_;  // command text for verbose echo
    std::vector<std::string> replies_;
    std::vector<MoveRecord> moves_;
    uint64_t movesBase_ = 0;  // serial number of moves_[0]
    uint32_t boot_ = 0;       // restarts and power cycles so far
    Counters counters_;

    bool frontStarted_ = false;
    double frontElapsed_ = 0;
    std::array<int64_t, 4> frontStart_{};
    bool paused_ = false, stopped_ = false;
    bool streamOpen_ = false, streamDry_ = false;

    // Auto-start.
    bool identified_ = false;
    bool autoFired_ = false, autoHolding_ = false, autoSeen_ = false;
    int autoReads_ = 0;
};

}  // namespace plyx::sim
