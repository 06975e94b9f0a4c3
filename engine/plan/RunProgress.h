#pragma once
// The run's plan as it starts, and how far the controller is through it:
// tape laid, the layer, the moves run, and the time left. The first
// observer of a run: the record, the journal and the status page read it.
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunEvents.h"
#include "engine/plan/RunPlan.h"

namespace plyx::engine {

class RunProgress final : public RunObserver {
public:
    RunProgress(app::Environment& env, app::ParameterSet& params) : env_(env), params_(params) {}

    // The plan of the run about to start, made already (by the check of its
    // size): the next RunStarted takes it instead of planning again.
    void UsePlan(RunPlan plan) { nextPlan_ = std::move(plan); }

    void RunStarted(bool burnish) override;
    void ControllerAt(const ControllerReport& at) override;
    void ElapsedChanged(std::int64_t seconds) override;
    void PauseChanged(bool paused) override;
    void RunEnded(RunEnd how) override;
    void RunFailed(std::int32_t number, const std::string& text) override;

    bool Running() const { return running_; }
    bool Burnish() const { return burnish_; }
    bool Paused() const { return pausedAt_ >= 0; }
    std::time_t StartTime() const { return start_; }
    const std::string& ShellFile() const { return shellFile_; }
    const RunPlan& Plan() const { return plan_; }
    // The layers before a chained finishing file's.
    std::int32_t ShellLayers() const { return shellLayers_; }
    double LaidInches() const { return laid_; }
    // The plan's layer pass the controller is in (0 before its first move).
    std::int32_t LayerReached() const { return laid_ > 0 ? plan_.LayerAtTape(laid_) : 0; }
    const ControllerReport& LastReport() const { return last_; }
    // Tape laid against the plan's tape, 0 to 1.
    double Progress() const;
    // The plan's time from where the controller is, scaled by how the run
    // has kept to the plan so far, counting down between two updates; time
    // spent paused counts neither way (the count stands while paused).
    double SecondsLeft() const;

    // Progress or time left changed.
    std::function<void()> OnChange;

private:
    void Changed() {
        if (OnChange) OnChange();
    }
    // Seconds since the start without the paused ones, at a wall second.
    std::int64_t Moving(std::int64_t sinceStart) const;

    app::Environment& env_;
    app::ParameterSet& params_;
    RunPlan plan_;
    std::optional<RunPlan> nextPlan_;
    bool running_ = false;
    bool burnish_ = false;
    std::time_t start_ = 0;
    std::string shellFile_;
    double laid_ = 0;
    std::int32_t shellLayers_ = 0;
    ControllerReport last_;
    std::int64_t elapsed_ = 0;
    double leftAtUpdate_ = 0;
    std::int64_t movingAtUpdate_ = 0;
    std::int64_t pausedSeconds_ = 0;  // whole pauses so far
    std::int64_t pausedAt_ = -1;      // since start, while paused
};

}  // namespace plyx::engine
