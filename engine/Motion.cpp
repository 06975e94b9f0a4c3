// Motion primitives: straight moves, segmented integer moves, the stop
// sequence and the preparation of the controller.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

#include "app/Numbers.h"
#include "engine/LostMovesError.h"
#include "engine/RunEngine.h"

namespace plyx::engine {

namespace {

// One relative move carries at most this many steps per motor.
constexpr std::int32_t kMaxDelta = 2047;

// Pause between the polls of the stop sequence's drain: short beside any
// move, long beside one exchange on the line.
constexpr std::int32_t kDrainPollIntervalMs = 2;

// The longest the program goes without reading the head's position in a run.
constexpr std::int64_t kPositionCheckSeconds = 5;

// RoundHalfEven into 32 bits, leaving out the one value whose negation or
// absolute value does not fit.
std::optional<std::int32_t> ToMoveInteger(double value) {
    std::optional<std::int32_t> v = app::ToInt32(value);
    if (v && *v == std::numeric_limits<std::int32_t>::min()) return std::nullopt;
    return v;
}

std::string RoundedText(double value) { return app::NumberText(app::RoundHalfEven(value)); }

std::int16_t ClampToInt16(std::int32_t value) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, -32768, 32767));
}

}  // namespace

Controller& RunEngine::Ctl() {
    if (controller_ == nullptr) throw std::logic_error("no controller driver has been created");
    return *controller_;
}

void RunEngine::UpdateQueueInUse() {
    globals_.cQueInUse = ClampToInt16(static_cast<std::int32_t>(globals_.ControllerQueueCapacity) -
                                      Ctl().GetQueueFree());
    if (!ledger_.Active()) return;
    // The position is read when the queue fell by more than a move at once,
    // when the controller begins a layer, and at least every few seconds, so
    // that lost moves are found long before the next layer.
    const bool dropped = ledger_.Observe(globals_.cQueInUse);
    platform::Clock& clock = env_.Clock();
    const std::int64_t now = clock.Ticks();
    const bool due = now - lastPositionCheckTicks_ >= kPositionCheckSeconds * clock.TickFrequency();
    const bool newLayer = ledger_.LayerDone() != lastCheckedLayer_;
    if (dropped || due || newLayer) CheckMovesRan();
}

void RunEngine::StartMoveLedger() {
    if (planOnly_ || !Ctl().ReportsPosition()) return;
    const std::int32_t x = Ctl().ReportCurrentX();
    const std::int32_t y = Ctl().ReportCurrentY();
    Log("Run starts with the head at X=" + std::to_string(x) + ", Y=" + std::to_string(y));
    ledger_.Start(x, y, globals_.CurrentLayer, globals_.ControllerQueueCapacity);
    track_.positionKnown = true;
    track_.startX = x;
    track_.startY = y;
    if (!resume_) {
        track_.originX = x;
        track_.originY = y;
    }
    lastPositionCheckTicks_ = env_.Clock().Ticks();
    lastCheckedLayer_ = ledger_.LayerDone();
}

void RunEngine::CheckMovesRan() {
    lastPositionCheckTicks_ = env_.Clock().Ticks();
    lastCheckedLayer_ = ledger_.LayerDone();
    const std::int32_t x = Ctl().ReportCurrentX();
    const std::int32_t y = Ctl().ReportCurrentY();
    const std::int64_t lost = ledger_.Check(x, y);
    if (Logging())
        Log("     Head at X=" + std::to_string(x) + ", Y=" + std::to_string(y) + " after " +
            std::to_string(ledger_.Done()) + " of " + std::to_string(ledger_.Queued()) + " moves queued");
    if (lost == 0) return;
    track_.lost = lost;
    ledger_.Stop();
    countUntrusted_ = true;
    Log("The controller lost " + std::to_string(lost) + " moves it had accepted (head at X=" + std::to_string(x) +
        ", Y=" + std::to_string(y) + ")");
    throw LostMovesError(lost, ledger_.LayerReached());
}

void RunEngine::GoToRequested() {
    Ctl().GoToRequested();
    UpdateQueueInUse();
}

std::int32_t RunEngine::WaitIdle(std::int32_t ms) {
    std::int32_t code = Ctl().WaitIdle(ms);
    UpdateQueueInUse();
    return code;
}

void RunEngine::LineMove(double dx, double dy, double rate) {
    if (globals_.RunState == kRunAbortRequested) return;
    if (skipping_ && RunPass() >= resume_->fromLayer) {
        EndSkip();
        if (globals_.RunState == kRunAbortRequested) return;
    }
    const double requested = geometry_.zTargetRateScale * rate;
    const double length = std::sqrt(dx * dx + dy * dy);
    const double largest = std::max(std::fabs(dx), std::fabs(dy));
    if (largest == 0) {
        if (!skipping_) Log("     Seek distance of 0 requested: ignoring....");
        return;
    }
    const double realDistance = std::fabs(dx) * geometry_.zWheelAngleFactor;
    std::optional<std::int32_t> lX = ToMoveInteger(dx);
    std::optional<std::int32_t> lY = ToMoveInteger(dy);
    std::optional<std::int32_t> fastest = ToMoveInteger(largest * requested / length);
    if (!lX || !lY || !fastest || !std::isfinite(realDistance)) {
        // A distance or rate that no controller value can carry (a parameter
        // far out of range): end the run rather than send a wrong move.
        Log("     Move out of range: Delta X=" + app::NumberText(dx) + ", Delta Y=" + app::NumberText(dy) +
            ", Requested Rate=" + app::NumberText(requested) + " -- aborting the run");
        AbortRun();
        return;
    }
    if (skipping_) {
        SkipMove(*lX, *lY, *fastest, realDistance);
        return;
    }
    if (Logging())
        Log("     Line Delta X=" + std::to_string(*lX) + ", Delta Y=" + std::to_string(*lY) +
            ", Requested Rate=" + RoundedText(requested) + ", Fastest Motor rate=" + std::to_string(*fastest) +
            ", Real distance=" + RoundedText(realDistance));
    SegmentedMove(*lX, *lY, *fastest, realDistance);
}

void RunEngine::SegmentedMove(std::int32_t lX, std::int32_t lY, std::int32_t lRate, double realDistance) {
    if (PollWaitForMotorIdle(false) < 0) return;
    globals_.zLastRate = lRate;
    // Callers keep the values away from INT32_MIN, so abs and negation fit.
    const std::int32_t lMax = std::max(std::abs(lX), std::abs(lY));
    Ctl().SetControllerRunRate(-lRate);
    if (lMax <= kMaxDelta) {
        Log("     PATCH: works as a single move of lX=" + std::to_string(lX) + ", lY=" + std::to_string(lY));
        Ctl().SetRequestedDelta(lX, 1);
        Log("     ...Set of lX worked, trying lY)");
        Ctl().SetRequestedDelta(lY, 2);
        Log("     ...Set of lY worked, doing the motion)");
        ApplyScaleChanges();
        NoteQueued(lX, lY);
        ledger_.Queued(lX, lY, globals_.CurrentLayer);
        GoToRequested();
        globals_.TotalQueuedDistance += realDistance;
        InsertDistance(globals_.TotalQueuedDistance, globals_.CurrentLayer);
        UpdateQueueDisplays();
        return;
    }
    std::int32_t n = lMax / (kMaxDelta - 1) + 1;
    const double segmentDistance = realDistance / n;
    Log("     PATCH: Breaking the " + std::to_string(lMax) + " length move up into " + std::to_string(n) +
        " segments, for total move of lX=" + std::to_string(lX) + ", lY=" + std::to_string(lY));
    std::int32_t remainingX = lX;
    std::int32_t remainingY = lY;
    while (n >= 1) {
        std::int32_t sX = remainingX;
        std::int32_t sY = remainingY;
        if (n != 1) {
            sX = remainingX / n;  // C++ division truncates toward zero
            sY = remainingY / n;
        }
        if (PollWaitForMotorIdle(false) < 0) return;
        Log("     PATCH: Sending lX=" + std::to_string(sX));
        Ctl().SetRequestedDelta(sX, 1);
        Log("     PATCH: Sending lY=" + std::to_string(sY));
        Ctl().SetRequestedDelta(sY, 2);
        Log("     PATCH: Starting the motion...");
        ApplyScaleChanges();
        NoteQueued(sX, sY);
        ledger_.Queued(sX, sY, globals_.CurrentLayer);
        GoToRequested();
        Log("     ...Next segment: lX=" + std::to_string(sX) + ", lY=" + std::to_string(sY));
        globals_.TotalQueuedDistance += segmentDistance;
        InsertDistance(globals_.TotalQueuedDistance, globals_.CurrentLayer);
        UpdateQueueDisplays();
        remainingX -= sX;
        remainingY -= sY;
        n -= 1;
    }
}

void RunEngine::SkipMove(std::int32_t lX, std::int32_t lY, std::int32_t lRate, double realDistance) {
    // The same segments and queued distance as SegmentedMove, nothing sent.
    globals_.zLastRate = lRate;
    const std::int32_t lMax = std::max(std::abs(lX), std::abs(lY));
    std::int32_t n = lMax <= kMaxDelta ? 1 : lMax / (kMaxDelta - 1) + 1;
    const double segmentDistance = n == 1 ? realDistance : realDistance / n;
    std::int32_t remainingX = lX;
    std::int32_t remainingY = lY;
    for (; n >= 1; --n) {
        const std::int32_t sX = n == 1 ? remainingX : remainingX / n;
        const std::int32_t sY = n == 1 ? remainingY : remainingY / n;
        ApplyScaleChanges();
        ++track_.planMoves;
        ++track_.skippedMoves;
        track_.planX += sX;
        track_.planY += sY;
        globals_.TotalQueuedDistance += segmentDistance;
        remainingX -= sX;
        remainingY -= sY;
    }
    track_.skippedDistance = globals_.TotalQueuedDistance;
}

bool RunEngine::StopSequence() {
    if (runInProgress_) {
        lastPlanLayer_ = globals_.Ring.LayerAt(globals_.Ring.idNextDistance);
        events_.Stopping();
    }
    track_.streamedPlanMoves = track_.planMoves - track_.skippedMoves;
    extraMoves_ = true;
    bool drained = false;
    if (globals_.RunState != kRunAbortRequested) {
        globals_.RunState = kRunStopping;
        SetLampMode(kLampsStopping);
        Log("Disabling motors");
        const std::int32_t lastRate = globals_.zLastRate;
        const std::int32_t startStop = geometry_.lStartStopRate;
        const std::int32_t ramp = geometry_.lRampRate;
        if (lastRate > startStop) {
            // Reals throughout: the rates are 32-bit and their product is not.
            const double zTurnOffDistance = (static_cast<double>(lastRate) - startStop) *
                                            (static_cast<double>(startStop) + lastRate) /
                                            (static_cast<double>(ramp) + ramp);
            Log("zTurnOffDistance=" + app::NumberText(zTurnOffDistance) + ", zLastRate=" + std::to_string(lastRate) +
                ", lStartStopRate=" + std::to_string(startStop) + ", lRampRate=" + std::to_string(ramp));
            if (zTurnOffDistance > 0) {
                const double half = zTurnOffDistance / 2;
                std::optional<std::int32_t> h = ToMoveInteger(half);
                if (!h || !std::isfinite(half)) {
                    // A ramp rate of 0 (or a rate far out of range) gives no
                    // sendable slow-down distance; the pause below still stops.
                    Log("Stop sequence distance out of range -- skipping the slow-down moves");
                } else {
                    Log("Sending stop sequence");
                    SegmentedMove(10, -10, startStop, 10);
                    SegmentedMove(*h, -*h, startStop, half);
                    SegmentedMove(*h, -*h, startStop, half);
                }
            }
        } else {
            Log("No special stop sequence needed -- already at start/stop rate");
        }
        // Wait until only the slow-down moves are left in the queue. The count
        // is the one sure sign: boards below type 3 answer "G4*" while they
        // move, which the driver reads as idle, so an idle answer alone would
        // cut the plan short. An abort, or a pause the board reports, ends
        // the wait at once (answer -1).
        std::int32_t answer = PollWaitForMotorIdle(false);
        while (answer >= 0 && globals_.cQueInUse > 2) {
            // Nothing is left to queue: poll at a gentle pace rather than
            // flood the line and the log while the queue runs down.
            env_.Clock().Sleep(kDrainPollIntervalMs);
            answer = PollWaitForMotorIdle(false);
        }
        // A wait cut short (a quit, an abort in the last moves) leaves plan
        // moves in the queue that the reset below drops.
        drained = answer >= 0 && globals_.RunState == kRunStopping;
        Log("Queue now only contains slow-down-to-stop motion, so force pause state");
    }
    // The pause, stop and reset below drop the slow-down moves on purpose.
    ledger_.Stop();
    globals_.RunState = kRunStopping;
    Ctl().PauseController();
    PollWaitForMotorIdle(true);
    if (!track_.doneAtStop) track_.doneAtStop = track_.Done(globals_.cQueInUse);
    Ctl().StopController();
    InitializeController();
    extraMoves_ = false;
    return drained;
}

void RunEngine::ReleaseDrivers() {
    if (controller_ == ownedDriver_.get()) controller_ = nullptr;
    ownedDriver_.reset();
}

void RunEngine::InitializeController() {
    Ctl().ResetController();
    WaitIdle(250);
    globals_.ControllerQueueCapacity = ClampToInt16(Ctl().GetQueueFree());
    // The wait above ran before the capacity was known; count again against it.
    UpdateQueueInUse();
    globals_.Ring.Reset(globals_.ControllerQueueCapacity);
    globals_.PulsePolarityWord = static_cast<std::int16_t>(Ctl().ReadPulsePolarityWord());
    Ctl().SetLamps(0);
    Ctl().SetPortDirections();
    Ctl().SetLamps(0);
    SetLampMode(kLampsOff);
    Ctl().ReadLatchedData();
}

void RunEngine::EnableMotors() {
    Log("Enabling motors");
    InitializeController();
    Ctl().SetControllerPulsePolarities(static_cast<std::int32_t>(globals_.PulsePolarityWord ^ 65));
    Ctl().SetControllerStopOKRate(geometry_.lStartStopRate);
    Ctl().SetControllerRampRate(geometry_.lRampRate);
    Ctl().SetControllerAddressMode(false);
}

void RunEngine::NormalizeMicrosteps() { engine::NormalizeMicrosteps(env_.ControllerFamily, params_); }

void NormalizeMicrosteps(std::int32_t controllerFamily, app::ParameterSet& params) {
    if (controllerFamily != kFamily2Axis) return;
    std::int16_t& msps = params.cMSPS;
    if (msps >= 16)
        msps = 16;
    else if (msps >= 8)
        msps = 8;
    else if (msps >= 4)
        msps = 4;
    else if (msps >= 2)
        msps = 2;
    else
        msps = 1;
}

}  // namespace plyx::engine
