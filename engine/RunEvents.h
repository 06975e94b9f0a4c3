#pragma once
// The run's events, one stream for every observer beside the windows (the
// plan and progress, the production record, the run journal, the status
// page, the machine counters). The engine emits each where it already
// knows it; an observer overrides the events it needs. Observers hear an
// event in the order they subscribed, so one may read another that
// subscribed before it (the record reads the progress).
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace plyx::engine {

// How a run that went through its stop sequence ended.
enum class RunEnd {
    Completed,      // the controller ran the whole plan (but the slow-down moves the final pause cuts)
    Aborted,        // an abort, or moves left in the queue when the stop sequence was cut short
    EndedBySignal,  // the program was asked to end (SIGTERM, SIGINT, SIGHUP) during the run
};

// Where the controller stands in the run, as its queue count and the
// distance ring tell it (what it ran, not what it was sent).
struct ControllerReport {
    double inches = 0;             // tape laid
    std::int32_t layer = 0;        // the layer the displays show (a finishing file's count from 1 again)
    std::int64_t movesQueued = 0;  // moves the controller accepted (0 where they are not counted)
    std::int64_t movesRun = 0;     // of those, the ones it has run
};

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // A run passed its checks and is about to move (settings saved).
    virtual void RunStarted(bool /*burnish*/) {}
    // The run just started goes on from this layer pass of a stopped run
    // (told right after RunStarted).
    virtual void RunResumed(std::int32_t /*layer*/) {}
    // The operator changed the layer increase (the run status window's Set
    // % Increase): used from this layer pass on.
    virtual void LayerIncreaseChanged(std::int32_t /*fromLayer*/, double /*fraction*/) {}
    // The controller began running moves of another layer than before.
    virtual void LayerStarted(std::int32_t /*layer*/) {}
    // The displays follow the controller (also between runs, when a display is refreshed).
    virtual void ControllerAt(const ControllerReport& /*at*/) {}
    // Once a second while a run is shown.
    virtual void ElapsedChanged(std::int64_t /*seconds*/) {}
    // The run was paused (window, panel or the board) or goes on again.
    virtual void PauseChanged(bool /*paused*/) {}
    // The layers are queued: the stop sequence begins.
    virtual void Stopping() {}
    // The stop sequence has ended the run.
    virtual void RunEnded(RunEnd /*how*/) {}
    // An error ended the run (the machine already stopped where it still
    // answered); number 0 when the program itself ended during the run.
    virtual void RunFailed(std::int32_t /*number*/, const std::string& /*text*/) {}
};

class RunEventStream {
public:
    void Subscribe(RunObserver* observer) { observers_.push_back(observer); }
    void Unsubscribe(RunObserver* observer) { std::erase(observers_, observer); }

    void RunStarted(bool burnish) { Each([&](RunObserver& o) { o.RunStarted(burnish); }); }
    void RunResumed(std::int32_t layer) { Each([&](RunObserver& o) { o.RunResumed(layer); }); }
    void LayerIncreaseChanged(std::int32_t fromLayer, double fraction) {
        Each([&](RunObserver& o) { o.LayerIncreaseChanged(fromLayer, fraction); });
    }
    void LayerStarted(std::int32_t layer) { Each([&](RunObserver& o) { o.LayerStarted(layer); }); }
    void ControllerAt(const ControllerReport& at) { Each([&](RunObserver& o) { o.ControllerAt(at); }); }
    void ElapsedChanged(std::int64_t seconds) { Each([&](RunObserver& o) { o.ElapsedChanged(seconds); }); }
    void PauseChanged(bool paused) { Each([&](RunObserver& o) { o.PauseChanged(paused); }); }
    void Stopping() { Each([](RunObserver& o) { o.Stopping(); }); }
    void RunEnded(RunEnd how) { Each([&](RunObserver& o) { o.RunEnded(how); }); }
    void RunFailed(std::int32_t number, const std::string& text) {
        Each([&](RunObserver& o) { o.RunFailed(number, text); });
    }

private:
    // Nothing is allocated: ControllerAt comes with every queued move.
    // (Observers subscribe and unsubscribe between events, never while told.)
    template <typename F>
    void Each(F&& f) {
        for (RunObserver* o : observers_) f(*o);
    }
    std::vector<RunObserver*> observers_;
};

}  // namespace plyx::engine
