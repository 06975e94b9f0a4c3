#include "engine/plan/RunProgress.h"

#include <algorithm>
#include <cmath>

#include "engine/RunGeometry.h"
#include "platform/Clock.h"

namespace plyx::engine {

namespace {
// Before this much of the plan has run, the run's own pace says too little.
constexpr double kPaceAfterSeconds = 10.0;
}  // namespace

void RunProgress::RunStarted(bool burnish) {
    running_ = true;
    burnish_ = burnish;
    start_ = env_.Clock().WallTime();
    shellFile_ = params_.CurrentShellFile;
    laid_ = 0;
    last_ = {};
    elapsed_ = movingAtUpdate_ = pausedSeconds_ = 0;
    pausedAt_ = -1;
    if (nextPlan_ && nextPlan_->burnish == burnish)
        plan_ = std::move(*nextPlan_);
    else
        plan_ = RecordRunPlan(env_, params_, env_.ControllerFamily, burnish);
    nextPlan_.reset();
    leftAtUpdate_ = plan_.seconds;
    shellLayers_ = RunGeometry::LayerCount(params_, burnish);
    Changed();
}

void RunProgress::ControllerAt(const ControllerReport& at) {
    if (!running_ || !std::isfinite(at.inches)) return;
    last_ = at;
    laid_ = std::max(laid_, at.inches);
    const double planAt = plan_.SecondsAtTape(laid_);
    const std::int64_t now = Moving(env_.Clock().WallTime() - start_);
    double pace = 1.0;
    if (planAt >= kPaceAfterSeconds && now > 0) pace = std::clamp(static_cast<double>(now) / planAt, 0.5, 2.0);
    leftAtUpdate_ = (plan_.seconds - planAt) * pace;
    movingAtUpdate_ = now;
    Changed();
}

void RunProgress::ElapsedChanged(std::int64_t seconds) {
    if (!running_) return;
    elapsed_ = seconds;
    Changed();
}

double RunProgress::Progress() const {
    if (!(plan_.tapeInches > 0)) return 0;
    return std::clamp(laid_ / plan_.tapeInches, 0.0, 1.0);
}

std::int64_t RunProgress::Moving(std::int64_t sinceStart) const {
    sinceStart = std::max<std::int64_t>(0, sinceStart);
    const std::int64_t paused = pausedSeconds_ + (pausedAt_ >= 0 ? std::max<std::int64_t>(0, sinceStart - pausedAt_) : 0);
    return std::max<std::int64_t>(0, sinceStart - paused);
}

void RunProgress::PauseChanged(bool paused) {
    if (!running_) return;
    const std::int64_t now = std::max<std::int64_t>(0, env_.Clock().WallTime() - start_);
    if (paused && pausedAt_ < 0) {
        pausedAt_ = now;
    } else if (!paused && pausedAt_ >= 0) {
        pausedSeconds_ += std::max<std::int64_t>(0, now - pausedAt_);
        pausedAt_ = -1;
    }
    Changed();
}

double RunProgress::SecondsLeft() const {
    const std::int64_t since = std::max<std::int64_t>(0, Moving(elapsed_) - movingAtUpdate_);
    return std::max(0.0, leftAtUpdate_ - static_cast<double>(since));
}

void RunProgress::RunEnded(RunEnd) {
    running_ = false;
    Changed();
}

void RunProgress::RunFailed(std::int32_t, const std::string&) {
    running_ = false;
    Changed();
}

}  // namespace plyx::engine
