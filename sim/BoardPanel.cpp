// Panel switches, limit and latched inputs, lamps, auto-start and the
// state snapshot.
#include <sstream>

#include "sim/Board.h"

namespace plyx::sim {

namespace {

const char* RunName(RunState r) {
    switch (r) {
        case RunState::Idle: return "idle";
        case RunState::Moving: return "moving";
        case RunState::Dwelling: return "dwelling";
        case RunState::Paused: return "paused";
        case RunState::Stopped: return "stopped";
    }
    return "?";
}

// The program reads the switches every timer tick; after this many reads
// of a closed auto-start START without a run starting, it is let go.
constexpr int kAutoStartMaxReads = 8;

}  // namespace

void Board::SetSwitch(int switchBits, bool closed) {
    if (closed)
        switches_ |= switchBits & 15;
    else
        switches_ &= ~switchBits;
}

void Board::SetLimitInputs(uint32_t tripped) {
    limits_ = tripped;
    CheckLimitTrip();
}

void Board::Latch(uint32_t bits) { latched_ |= bits; }

void Board::NoteSwitchRead() {
    ++counters_.switchReads;
    if (autoHolding_) ++autoReads_;
}

void Board::UpdateAutoStart() {
    if (!options_.autoStart) return;
    int lamps = LampsFromOutputs();
    if (!autoFired_ && identified_ && (lamps & kLampStart) != 0) {
        autoFired_ = autoHolding_ = true;
        autoReads_ = 0;
        switches_ |= static_cast<int>(Switch::Start);
        return;
    }
    if (autoHolding_ && ((autoReads_ > 0 && (lamps & kLampStart) == 0) || autoReads_ >= kAutoStartMaxReads)) {
        autoHolding_ = false;
        switches_ &= ~static_cast<int>(Switch::Start);
    }
}

SimState Board::State() const {
    SimState s;
    s.family = family_;
    s.run = Run();
    s.stateLetter = StateText()[0];
    s.capacity = capacity_;
    s.queueFill = static_cast<int>(queue_.size());
    s.queueFree = QueueFree();
    s.position = position_;
    s.lamps = LampsFromOutputs();
    s.outputs = outputs_;
    s.switchesClosed = switches_;
    s.limitInputs = limits_;
    s.latched = latched_;
    s.runRate = runRate_;
    s.rampRate = rampRate_;
    s.stopOkRate = stopOkRate_;
    s.verbose = verbose_;
    s.counters = counters_;
    return s;
}

std::string SimState::ToLine() const {
    std::ostringstream o;
    o << "family=" << (family == Family::FourAxis ? "4axis" : "2axis") << " state=" << RunName(run)
      << " letter=" << stateLetter << " capacity=" << capacity << " fill=" << queueFill << " free=" << queueFree
      << " w=" << position[kW] << " x=" << position[kX] << " y=" << position[kY] << " z=" << position[kZ]
      << " lamps=" << lamps << " outputs=" << outputs << " switches=" << switchesClosed
      << " limits=" << limitInputs << " latched=" << latched << " run_rate=" << runRate
      << " ramp_rate=" << rampRate << " stop_ok_rate=" << stopOkRate << " verbose=" << (verbose ? 1 : 0)
      << " connected=" << (programConnected ? 1 : 0) << " commands=" << counters.commands
      << " bytes_in=" << counters.bytesIn << " bytes_out=" << counters.bytesOut << " replies=" << counters.replies
      << " underruns=" << counters.underruns << " refused=" << counters.refusedMoves << " resets=" << counters.resets
      << " identifications=" << counters.identifications << " unknown=" << counters.unknownCommands
      << " ran=" << counters.movesRan << " dropped=" << counters.movesDropped
      << " motion_s=" << counters.motionSeconds << " restarts=" << counters.restarts
      << " power_cycles=" << counters.powerCycles;
    return o.str();
}

}  // namespace plyx::sim
