// Command letters of the 4-axis family.
#include "sim/Board4Axis.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace plyx::sim {

namespace {

int AxisOf(char c) {
    switch (c) {
        case 'W': case 'w': return kW;
        case 'X': case 'x': return kX;
        case 'Y': case 'y': return kY;
        default: return kZ;
    }
}

// Report values this board gives for its fixed limits.
constexpr int32_t kMaxRateExtended = 50000;
constexpr int32_t kMaxRateFifo = 40000;
constexpr int32_t kAnalogReading = 512;

}  // namespace

Board4Axis::Board4Axis(const SimOptions& options) : Board(options, Family::FourAxis) {
    // A one-digit place counter: the queue has no more places than it can report.
    if (OldFirmware()) capacity_ = std::min(capacity_, 9);
}

void Board4Axis::ResetFamily() {
    arcB_ = arcC_ = arcD_ = arcStop_ = 0;
    snapshot_ = 0;
    rateScale_ = 0;
}

void Board4Axis::PowerUpFamily() {
    nextId_ = 0;
    dac_ = 0;
}

int Board4Axis::LampsFromOutputs() const {
    // Lamps hang on I/O port bits 0 to 4 in switch-bit order.
    return static_cast<int>(outputs_ & 31);
}

int Board4Axis::FirstAxis() const {
    int mask = motorMask_ == 0 ? 2 : motorMask_;
    for (int a = 0; a < 4; ++a)
        if (mask & (1 << a)) return a;
    return kX;
}

std::string Board4Axis::MotorName() const {
    static const char* const names[4] = {"MW", "X", "Y", "MZ"};
    return names[FirstAxis()];
}

void Board4Axis::QueuedReply() {
    if (OldFirmware()) {
        // Old firmware leaves out the letter: the host knows what it sent.
        Reply(std::to_string(QueueFree()) + "*");
    } else {
        StateReply();
    }
}

void Board4Axis::IdleQuery(char letter) {
    if (abortReportPending_) {
        abortReportPending_ = false;
        AbortReply();
        return;
    }
    if (letter == 'i' && OldFirmware() && Run() == RunState::Idle) {
        Reply(std::to_string(QueueFree()) + "*");
        return;
    }
    StateReply();
}

void Board4Axis::Outputs(int op, const Param& p) {
    if (p.queuePrefix && Extended()) {
        Entry e;
        e.kind = Entry::Outputs;
        e.outputsOp = op;
        e.value = static_cast<uint32_t>(p.queuedValue);
        QueueEntry(e);
        QueuedReply();
        return;
    }
    ApplyOutputs(op, static_cast<uint32_t>(p.value));
    Ack();
}

void Board4Axis::BinaryDelta(int axis, int32_t delta) {
    SetRequested(axis, delta, true);
    Ack();
}

void Board4Axis::Command(char c, const Param& p) {
    const int32_t v = p.value;
    switch (c) {
        case '?': Report(v); return;
        case 'M':
            motorMask_ = (p.present ? v : 15) & 15;
            if (motorMask_ == 0) motorMask_ = 15;
            Ack();
            return;
        case 'W': case 'X': case 'Y': case 'Z':
            SetRequested(AxisOf(c), v, false);
            Ack();
            return;
        case 'w': case 'x': case 'y': case 'z':
            SetRequested(AxisOf(c), v, true);
            Ack();
            return;
        case 'G': QueueGo(); QueuedReply(); return;
        case 'A': {
            double radius = v;
            if (Extended())
                QueueArc(radius, arcB_ / 1e6, arcC_ / 1e6);
            else  // degroids: hundredths of a degree
                QueueArc(radius, arcB_ / 100.0, static_cast<double>(arcC_) * arcD_ / 100.0);
            QueuedReply();
            return;
        }
        case 'B': arcB_ = v; Ack(); return;
        case 'C': arcC_ = v; Ack(); return;
        case 'D': arcD_ = v; Ack(); return;
        case 'c': arcStop_ = v; Ack(); return;
        case 'R': runRate_ = v; Ack(); return;
        case 'k': runRate_ = v; QueuedReply(); return;
        case 'P': rampRate_ = v; Ack(); return;
        case 'K': stopOkRate_ = v; Ack(); return;
        case 'O': pulsePolarities_ = v; Ack(); return;
        case 'N': pulseWidth_ = v; Ack(); return;
        case 'H':
            for (int a = 0; a < 4; ++a)
                if ((motorMask_ == 0 ? 2 : motorMask_) & (1 << a)) backlash_[a] = v;
            Ack();
            return;
        case 'E': Outputs(0, p); return;
        case 'U': Outputs(1, p); return;
        case 'J': Outputs(2, p); return;
        case 'F': directions_ = static_cast<uint32_t>(v); Ack(); return;
        case 'T': limitBlock_ = static_cast<uint32_t>(v); Ack(); return;
        case 't': ioConfig_ = static_cast<uint32_t>(v); Ack(); return;
        case 'L': {
            uint32_t l = latched_;
            latched_ = 0;  // reading takes the latched events
            NamedReply("R", "L", l);
            return;
        }
        case 'l': NamedReply("R", "l", latched_); return;
        case 'q':
            if (p.queuePrefix && Extended()) {
                QueuePausePoint();
                QueuedReply();
                return;
            }
            PauseMotion();
            StateReply();
            return;
        case 'p':
            if (p.queuePrefix && Extended()) {
                QueueDwell(p.queuedValue);
                QueuedReply();
                return;
            }
            Ack();
            return;
        case 'r': ResumeMotion(); StateReply(); return;
        case 'Q': StopCommand(); return;
        case '!': ResetBoard(); Ack(); return;
        case 'h': case 'i': IdleQuery(c); return;
        case 'm': QueuedReply(); return;
        case '#': QueuedReply(); return;
        case '=': SetCoordinatesToRequested(); Ack(); return;
        case 'V': verbose_ = (v & 1) != 0; Ack(); return;
        case 'S': Ack(); return;
        case 'a': NamedReply("R", "a", kAnalogReading); return;
        case 'b': NamedReply("R", "b", v); return;
        case 'd': dac_ = v; Ack(); return;
        case 'f': rateScale_ = v; Ack(); return;
        case 'n': nextId_ = v; Ack(); return;
        case 's': snapshot_ = v; Ack(); return;
        case 'e': EepromCommand(v); Ack(); return;
        default:
            // Blank, line ends and other fillers end a half command quietly;
            // letters this firmware lacks are counted.
            if (std::isalpha(static_cast<unsigned char>(c))) ++counters().unknownCommands;
            Ack();
            return;
    }
}

void Board4Axis::Report(int32_t item) {
    const int axis = FirstAxis();
    const std::string who = MotorName();
    int64_t value = 0;
    switch (item) {
        case -12: IdentificationReply(); return;
        case -1: value = position_[axis]; break;
        case -2: value = Run() == RunState::Moving ? std::llabs(static_cast<int64_t>(queue_.front().rate)) : 0; break;
        case -3: value = Extended() ? 0 : rampRate_; break;
        case -4: value = Extended() ? 0 : planned_[axis]; break;
        case -5: value = Extended() ? 0 : runRate_; break;
        case -6: value = Extended() ? 0 : scratch_; break;
        case -7: value = Extended() ? 0 : planned_[axis]; break;
        case -10: value = Extended() ? 0 : runRate_; break;
        case -11: value = Extended() ? position_[axis] : stopOkRate_; break;
        case -13: value = ioConfig_; break;
        case -15: value = kMaxRateExtended; break;
        case -17: value = pulsePolarities_; break;
        case -18: case -28: value = backlash_[axis]; break;
        case -20: value = Fifo() ? kMaxRateFifo : 0; break;
        case 6: value = 0xFF & ~limits_; break;
        case 7:
            NoteSwitchRead();
            value = 0xFF & ~static_cast<uint32_t>(switches_);
            break;
        case 8: value = pulsePolarities_; break;
        case 9: value = outputs_; break;
        case 11: value = 0xFF; break;
        default:
            EepromReport(item, &value);
            break;
    }
    ValueReply(who, item, value);
}

}  // namespace plyx::sim
