// The move queue: entries run one after the other at their rate, with
// pause, resume, stop and reset, and the count of queue underruns.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "sim/Board.h"

namespace plyx::sim {

namespace {

int32_t Clamp32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

RunState Board::Run() const {
    if (stopped_) return RunState::Stopped;
    if (paused_) return RunState::Paused;
    if (queue_.empty()) return RunState::Idle;
    return queue_.front().kind == Entry::Dwell ? RunState::Dwelling : RunState::Moving;
}

double Board::MoveDuration(const std::array<int64_t, 4>& delta) const {
    int64_t largest = 0;
    for (int64_t d : delta) largest = std::max<int64_t>(largest, std::llabs(d));
    int64_t rate = std::llabs(static_cast<int64_t>(runRate_));
    // A move without a rate creeps at the stop-OK rate, or one step a second.
    if (rate == 0) rate = std::llabs(static_cast<int64_t>(stopOkRate_));
    if (rate == 0) rate = 1;
    return static_cast<double>(largest) / static_cast<double>(rate);
}

bool Board::QueueEntry(Entry e) {
    if (stopped_ || QueueFree() <= 0) {
        ++counters_.refusedMoves;
        return false;
    }
    bool isMotion = e.kind == Entry::Move || e.kind == Entry::Arc;
    queue_.push_back(e);
    if (isMotion) {
        if (streamDry_ && !instant_) ++counters_.underruns;
        streamDry_ = false;
        streamOpen_ = true;
    }
    if (!instant_) RunQueue(0);
    return true;
}

bool Board::QueueMove(MoveRecord::Kind kind, const std::array<int64_t, 4>& delta, double duration) {
    Entry e;
    e.kind = kind == MoveRecord::Arc ? Entry::Arc : Entry::Move;
    e.delta = delta;
    e.rate = runRate_;
    e.duration = duration >= 0 ? duration : MoveDuration(delta);
    MoveRecord r;
    r.kind = kind;
    for (int a = 0; a < 4; ++a) r.steps[a] = Clamp32(delta[a]);
    r.rate = runRate_;
    r.boot = boot_;
    // Recorded before queuing: a move of no duration may run at once.
    e.record = movesBase_ + moves_.size();
    moves_.push_back(r);
    if (!QueueEntry(e)) {
        moves_.pop_back();
        return false;
    }
    for (int a = 0; a < 4; ++a) planned_[a] += delta[a];
    requested_ = planned_;
    return true;
}

bool Board::QueueArc(double radius, double beginDeg, double sweepDeg) {
    constexpr double kPi = 3.14159265358979323846;
    double b = beginDeg * kPi / 180.0, e = (beginDeg + sweepDeg) * kPi / 180.0;
    // The arc starts where the machine stands, on the circle at the begin angle.
    std::array<int64_t, 4> delta{};
    double dx = radius * (std::cos(e) - std::cos(b)), dy = radius * (std::sin(e) - std::sin(b));
    if (!std::isfinite(dx) || !std::isfinite(dy)) return false;
    delta[kX] = std::llround(std::clamp(dx, -1e15, 1e15));
    delta[kY] = std::llround(std::clamp(dy, -1e15, 1e15));
    double length = std::fabs(radius * (e - b));
    int64_t rate = std::llabs(static_cast<int64_t>(runRate_));
    if (rate == 0) rate = std::llabs(static_cast<int64_t>(stopOkRate_));
    if (rate == 0) rate = 1;
    return QueueMove(MoveRecord::Arc, delta, length / static_cast<double>(rate));
}

void Board::QueueGo() {
    std::array<int64_t, 4> delta{};
    for (int a = 0; a < 4; ++a) delta[a] = requested_[a] - planned_[a];
    QueueMove(MoveRecord::Line, delta);
}

void Board::SetRequested(int axis, int32_t value, bool relative) {
    requested_[axis] = relative ? planned_[axis] + value : value;
}

void Board::SetCoordinatesToRequested() {
    // The requested location becomes the present one; queued moves keep
    // their relative distances.
    for (int a = 0; a < 4; ++a) {
        int64_t shift = requested_[a] - planned_[a];
        position_[a] += shift;
        frontStart_[a] += shift;
        planned_[a] += shift;
    }
}

void Board::SettleInstant() {
    if (instant_) RunQueue(0);
}

void Board::Advance(double seconds) {
    if (instant_) {
        RunQueue(0);
    } else if (seconds > 0) {
        RunQueue(seconds);
    }
}

void Board::StartFront() {
    frontStarted_ = true;
    frontElapsed_ = 0;
    frontStart_ = position_;
}

void Board::FinishFront() {
    const Entry& e = queue_.front();
    if (e.kind == Entry::Move || e.kind == Entry::Arc) {
        for (int a = 0; a < 4; ++a) position_[a] = frontStart_[a] + e.delta[a];
        MarkRecord(e, MoveRecord::Ran);
    }
    queue_.pop_front();
    frontStarted_ = false;
    if (queue_.empty() && streamOpen_) {
        streamOpen_ = false;
        streamDry_ = true;
    }
}

void Board::MarkRecord(const Entry& e, MoveRecord::Status status) {
    (status == MoveRecord::Ran ? counters_.movesRan : counters_.movesDropped) += 1;
    if (status == MoveRecord::Ran) counters_.motionSeconds += e.duration;
    if (e.record >= movesBase_ && e.record - movesBase_ < moves_.size()) moves_[e.record - movesBase_].status = status;
}

void Board::DropQueue() {
    for (const Entry& e : queue_)
        if (e.kind == Entry::Move || e.kind == Entry::Arc) MarkRecord(e, MoveRecord::Dropped);
    queue_.clear();
}

void Board::RunQueue(double seconds) {
    while (!queue_.empty() && !paused_ && !stopped_) {
        Entry& e = queue_.front();
        if (!frontStarted_) {
            if (e.kind == Entry::PauseHere) {
                queue_.pop_front();
                paused_ = true;
                continue;
            }
            if (e.kind == Entry::Outputs) {
                ApplyOutputs(e.outputsOp, e.value);
                FinishFront();
                continue;
            }
            if ((limits_ & LimitMask() & ~limitBlock_) != 0) {
                // The board will not drive into a tripped limit.
                paused_ = true;
                abortReportPending_ = true;
                return;
            }
            StartFront();
        }
        double remaining = e.duration - frontElapsed_;
        if (instant_ || seconds >= remaining) {
            if (!instant_) seconds -= std::max(remaining, 0.0);
            FinishFront();
            continue;
        }
        if (seconds <= 0) return;
        frontElapsed_ += seconds;
        double frac = e.duration > 0 ? frontElapsed_ / e.duration : 1.0;
        for (int a = 0; a < 4; ++a)
            position_[a] = frontStart_[a] + static_cast<int64_t>(static_cast<double>(e.delta[a]) * frac);
        return;
    }
}

void Board::PauseMotion() {
    if (!stopped_) paused_ = true;
}

void Board::ResumeMotion() {
    if (stopped_) {
        stopped_ = false;
    } else {
        paused_ = false;
    }
    if (!instant_) RunQueue(0);
}

void Board::StopMotion() {
    DropQueue();
    frontStarted_ = false;
    stopped_ = true;
    paused_ = false;
    planned_ = position_;
    requested_ = position_;
    streamOpen_ = streamDry_ = false;
}

void Board::StopCommand() {
    bool dropped = !queue_.empty();
    StopMotion();
    if (dropped)
        AbortReply();  // the queue was thrown away
    else
        StateReply();
}

void Board::QueueDwell(int64_t micros) {
    Entry e;
    e.kind = Entry::Dwell;
    e.duration = static_cast<double>(std::llabs(micros)) / 1e6;
    QueueEntry(e);
}

void Board::QueuePausePoint() {
    Entry e;
    e.kind = Entry::PauseHere;
    QueueEntry(e);
}

void Board::ResetBoard() {
    ++counters_.resets;
    RestoreResetSettings();
}

void Board::Reboot() {
    ++boot_;
    param_.clear();
    echo_.clear();
    RestoreResetSettings();
}

void Board::Restart() {
    ++counters_.restarts;
    Reboot();
}

void Board::PowerCycle() {
    ++counters_.powerCycles;
    Reboot();
    position_ = planned_ = requested_ = {};
    latched_ = 0;
    abortReportPending_ = false;
    absolute_ = true;
    backlash_ = {};
    pulseWidth_ = 0;
    scratch_ = 0;
    PowerUpFamily();
}

void Board::RestoreResetSettings() {
    DropQueue();
    frontStarted_ = false;
    paused_ = stopped_ = false;
    streamOpen_ = streamDry_ = false;
    abortReportPending_ = false;
    planned_ = position_;
    requested_ = position_;
    runRate_ = 1000;
    rampRate_ = stopOkRate_ = 0;
    pulsePolarities_ = storedPolarities_;
    outputs_ = 0;
    directions_ = 0;
    ioConfig_ = 0;
    limitBlock_ = 0;
    motorMask_ = 0;
    verbose_ = false;
    binaryHigh_ = -1;
    eepromSelected_ = -1;
    ResetFamily();
}

void Board::ApplyOutputs(int op, uint32_t bits) {
    if (op == 0) outputs_ = bits;
    if (op == 1) outputs_ &= ~bits;
    if (op == 2) outputs_ |= bits;
}

void Board::CheckLimitTrip() {
    RunState r = Run();
    if ((r == RunState::Moving || r == RunState::Dwelling) && (limits_ & LimitMask() & ~limitBlock_) != 0) {
        paused_ = true;
        abortReportPending_ = true;
    }
}

}  // namespace plyx::sim
