// The run's place in its plan, and a run resumed from a layer of a stopped
// run: the engine itself runs the earlier layers without sending them (so
// that the line-pair counter, the pole-advance multiplier, the burnish rate
// scale and a chained finishing file stand exactly as in the uninterrupted
// run), then joins the head to the plan with one straight move.
#include <cstdlib>
#include <limits>
#include <utility>

#include "app/Numbers.h"
#include "engine/RunEngine.h"

namespace plyx::engine {

void RunEngine::ResumeRun(bool burnish, ResumeRequest request) {
    scheduleNext_ = request.scaleChanges;
    resumeNext_ = std::move(request);
    StartRun(burnish);
}

void RunEngine::StartTrack() {
    passBase_ = geometry_.cLayerPassesBegun;
    track_.scaleChanges = std::move(schedule_);
    nextScaleChange_ = 0;
    skipping_ = false;
    extraMoves_ = positioning_ = false;
    if (!resume_) return;
    track_.resumedFrom = std::max(1, resume_->fromLayer);
    track_.originX = resume_->originX;
    track_.originY = resume_->originY;
    skipping_ = true;
}

void RunEngine::ApplyScaleChanges() {
    if (extraMoves_) return;
    const std::vector<ScaleChange>& changes = track_.scaleChanges;
    while (nextScaleChange_ < changes.size() && changes[nextScaleChange_].beforeMove <= track_.planMoves)
        geometry_.zLayerScaleFraction = changes[nextScaleChange_++].fraction;
}

void RunEngine::SetLayerScaleFraction(double fraction) {
    geometry_.zLayerScaleFraction = fraction;
    if (!runInProgress_) return;
    // The operator's word from now on: the stopped run's later changes give way.
    std::erase_if(track_.scaleChanges, [&](const ScaleChange& c) { return c.beforeMove > track_.planMoves; });
    track_.scaleChanges.push_back({track_.planMoves, RunPass() + 1, fraction});
    nextScaleChange_ = track_.scaleChanges.size();
    Log("Layer increase set to " + app::NumberText(fraction * 100) + "% from layer " + std::to_string(RunPass() + 1));
    events_.LayerIncreaseChanged(RunPass() + 1, fraction);
}

void RunEngine::NoteQueued(std::int32_t sX, std::int32_t sY) {
    if (!extraMoves_) {
        const std::int32_t pass = RunPass();
        if (track_.passStarts.empty() || track_.passStarts.back().pass != pass)
            track_.passStarts.push_back({track_.controllerMoves, pass});
        ++track_.planMoves;
        track_.planX += sX;
        track_.planY += sY;
    } else if (positioning_) {
        ++track_.positioningMoves;
    }
    ++track_.controllerMoves;
}

void RunEngine::EndSkip() {
    skipping_ = false;
    track_.resumeX = track_.planX;
    track_.resumeY = track_.planY;
    // The plan's place of the layer's first move, on the board.
    std::int64_t dx = 0, dy = 0;
    if (resume_->headAtLayerStart || !track_.positionKnown) {
        track_.originX = track_.startX - track_.planX;
        track_.originY = track_.startY - track_.planY;
    } else {
        dx = track_.originX + track_.planX - track_.startX;
        dy = track_.originY + track_.planY - track_.startY;
    }
    Log("Resuming at plan move " + std::to_string(track_.planMoves + 1) + " (layer " +
        std::to_string(track_.resumedFrom) + "): layer start X=" + std::to_string(track_.originX + track_.planX) +
        ", Y=" + std::to_string(track_.originY + track_.planY) + ", positioning move X=" + std::to_string(dx) +
        ", Y=" + std::to_string(dy));
    InsertDistance(globals_.TotalQueuedDistance, globals_.CurrentLayer);
    UpdateQueueDisplays();
    if (dx == 0 && dy == 0) return;
    constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max() - 1;
    if (std::llabs(dx) > kLargest || std::llabs(dy) > kLargest) {
        Log("Positioning move out of range -- aborting the run");
        AbortRun();
        return;
    }
    extraMoves_ = positioning_ = true;
    // Straight, at the start/stop rate, segmented like every move; it lays no tape.
    SegmentedMove(static_cast<std::int32_t>(dx), static_cast<std::int32_t>(dy), geometry_.lStartStopRate, 0.0);
    extraMoves_ = positioning_ = false;
}

}  // namespace plyx::engine
