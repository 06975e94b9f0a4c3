#pragma once
// Observers of a run beside the windows (the run's plan and progress, the
// production record): told when a run starts and ends and whenever the
// displays follow the controller.
#include <cstdint>

namespace plyx::engine {

// How a run that went through its stop sequence ended.
enum class RunEnd {
    Completed,      // the controller ran the whole plan (but the slow-down moves the final pause cuts)
    Aborted,        // an abort, or moves left in the queue when the stop sequence was cut short
    EndedBySignal,  // the program was asked to end (SIGTERM, SIGINT, SIGHUP) during the run
};

class RunWatcher {
public:
    virtual ~RunWatcher() = default;
    // A run passed its checks and is about to move (settings saved).
    virtual void RunStarting(bool burnish) = 0;
    // The displays show the controller this far into the run (inches of
    // tape, from the distance ring; also between runs, when a display is
    // refreshed).
    virtual void ControllerAt(double inches) = 0;
    // Once a second while a run is shown.
    virtual void ElapsedChanged(std::int64_t seconds) = 0;
    // The run was paused (window, panel or the board) or goes on again.
    virtual void PauseChanged(bool /*paused*/) {}
    // The stop sequence has ended the run.
    virtual void RunEnded(RunEnd how) = 0;
};

}  // namespace plyx::engine
