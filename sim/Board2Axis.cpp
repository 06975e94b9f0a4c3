// Command letters of the 2-axis family.
#include "sim/Board2Axis.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace plyx::sim {

namespace {

// Relay word bits of the panel lamps.
constexpr uint32_t kRelayStart = 0x4000, kRelayPause = 0x2000, kRelayStop = 0x8000;
constexpr uint32_t kRelayBurnish = 0x0800, kRelayAbort = 0x0400;
constexpr int32_t kMaxRate = 40000;
constexpr int32_t kAnalogReading = 512;

}  // namespace

Board2Axis::Board2Axis(const SimOptions& options) : Board(options, Family::TwoAxis) {}

void Board2Axis::ResetFamily() {
    arcBegin_ = arcDelta_ = arcSteps_ = 0;
    snapshot_ = 0;
}

void Board2Axis::PowerUpFamily() {
    microstep_ = 16;
    idleCurrent_ = motionCurrent_ = windingMode_ = {};
    nextId_ = 0;
}

int Board2Axis::LampsFromOutputs() const {
    int lamps = 0;
    if (outputs_ & kRelayStart) lamps |= kLampStart;
    if (outputs_ & kRelayPause) lamps |= kLampPause;
    if (outputs_ & kRelayStop) lamps |= kLampStop;
    if (outputs_ & kRelayBurnish) lamps |= kLampBurnish;
    if (outputs_ & kRelayAbort) lamps |= kLampAbort;
    return lamps;
}

void Board2Axis::Relays(int op, const Param& p) {
    if (p.queuePrefix) {
        Entry e;
        e.kind = Entry::Outputs;
        e.outputsOp = op;
        e.value = static_cast<uint32_t>(p.queuedValue);
        QueueEntry(e);
        StateReply();
        return;
    }
    ApplyOutputs(op, static_cast<uint32_t>(p.value));
    Ack();
}

void Board2Axis::Command(char c, const Param& p) {
    const int32_t v = p.value;
    switch (c) {
        case '?': Report(v); return;
        case 'B':
            motorMask_ = (p.present ? v : 3) & 3;
            if (motorMask_ == 0) motorMask_ = 3;
            Ack();
            return;
        case 'X': SetRequested(kX, v, false); Ack(); return;
        case 'Y': SetRequested(kY, v, false); Ack(); return;
        case 'x': SetRequested(kX, v, true); Ack(); return;
        case 'y': SetRequested(kY, v, true); Ack(); return;
        case 'G': QueueGo(); StateReply(); return;
        case 'M': StateReply(); return;
        case 'A': QueueArc(v, arcBegin_ / 1e6, arcDelta_ / 1e6); StateReply(); return;
        case 'S': arcBegin_ = v; Ack(); return;
        case 'd': arcDelta_ = v; Ack(); return;
        case 'c': arcSteps_ = v; Ack(); return;
        case 'R': runRate_ = v; Ack(); return;
        case 'k': runRate_ = v; StateReply(); return;
        case 'K': stopOkRate_ = v; Ack(); return;
        case 'P': rampRate_ = v; Ack(); return;
        case 'D': Relays(0, p); return;
        case 'U': Relays(1, p); return;
        case 'C': Relays(2, p); return;
        case 'E': snapshot_ = v; Ack(); return;
        case 'W': case 'H': case 'F': case 'O': {
            std::array<int32_t, 4>& target =
                c == 'W' ? idleCurrent_ : c == 'H' ? motionCurrent_ : c == 'F' ? backlash_ : windingMode_;
            if (Mask() & 1) target[kX] = v;
            if (Mask() & 2) target[kY] = v;
            Ack();
            return;
        }
        case 't': ioConfig_ = static_cast<uint32_t>(v); Ack(); return;
        case 'T': limitBlock_ = static_cast<uint32_t>(v); Ack(); return;
        case 'V': verbose_ = (v & 1) != 0; Ack(); return;
        case 'L': {
            uint32_t l = latched_;
            latched_ = 0;  // reading takes the latched events
            NamedReply("R", "L", l);
            return;
        }
        case 'q':
            if (p.queuePrefix) {
                QueuePausePoint();
            } else {
                PauseMotion();
            }
            StateReply();
            return;
        case 'p':
            if (p.queuePrefix) {
                QueueDwell(p.queuedValue);
                StateReply();
                return;
            }
            Ack();
            return;
        case 'r': ResumeMotion(); StateReply(); return;
        case 'Q': StopCommand(); return;
        case '!':
            ResetBoard();
            if (p.present && v > 0) microstep_ = v;
            Ack();
            return;
        case '=': SetCoordinatesToRequested(); StateReply(); return;
        case '#': StateReply(); return;
        case 'h':
            if (abortReportPending_) {
                abortReportPending_ = false;
                AbortReply();
                return;
            }
            StateReply();
            return;
        case 'a': NamedReply("R", "a", kAnalogReading); return;
        case 'b': NamedReply("R", "b", v); return;
        case 'n': nextId_ = v; Ack(); return;
        case 'e': EepromCommand(v); Ack(); return;
        default:
            if (std::isalpha(static_cast<unsigned char>(c))) ++counters().unknownCommands;
            Ack();
            return;
    }
}

void Board2Axis::Report(int32_t item) {
    const int axis = (Mask() & 1) ? kX : kY;
    const std::string who = axis == kX ? "X" : "Y";
    int64_t value = 0;
    switch (item) {
        case -12: IdentificationReply(); return;
        case -1: case -11: value = position_[axis]; break;
        case -13: value = ioConfig_; break;
        case -14: value = microstep_; break;
        case -18: value = backlash_[axis]; break;
        case -20: value = kMaxRate; break;
        case 5: value = 0x0F & ~limits_; break;
        case 6:
            NoteSwitchRead();
            value = 0xFF & ~static_cast<uint32_t>(switches_);
            break;
        default:
            EepromReport(item, &value);
            break;
    }
    ValueReply(who, item, value);
}

}  // namespace plyx::sim
