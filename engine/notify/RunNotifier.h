#pragma once
// Runs the operator's notification programs: ONRUNEND= when a run ends
// (any outcome), ONERROR= when an error stops it (both given on the command
// line only). Each is started directly, never through a shell, with the
// run's outcome and figures in PLYX3_ variables of its environment, and is
// never waited for: the machine goes on whatever it does. Failures to
// start it and its failing end go to the program log. An observer of the
// runs, subscribed after the record, which it reads.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunEngine.h"
#include "engine/plan/RunFollowers.h"
#include "platform/ChildProcesses.h"

namespace plyx::engine {

class RunNotifier final : public RunObserver {
public:
    // Runs a function on the program's own thread, called from any thread
    // (the windowed program posts it to Qt's loop). Without it, ended
    // programs are logged at the next run event.
    using Post = std::function<void(std::function<void()>)>;

    RunNotifier(app::Environment& env, app::ParameterSet& params, RunEngine& engine, RunFollowers& runs,
                Post post = nullptr);
    ~RunNotifier() override;
    RunNotifier(const RunNotifier&) = delete;
    RunNotifier& operator=(const RunNotifier&) = delete;

    void RunStarted(bool burnish) override;
    void ElapsedChanged(std::int64_t seconds) override;
    void RunEnded(RunEnd how) override;
    void RunFailed(std::int32_t number, const std::string& text) override;

    // Logs the notification programs that ended since the last call.
    void LogEnded();
    platform::ChildProcesses& Children() { return children_; }

    // The run's environment for its programs: "PLYX3_OUTCOME=completed", ...
    // event is "runend" or "error"; errorNumber 0 and errorText "" when no error ended the run.
    std::vector<std::string> Variables(const char* event, std::int32_t errorNumber, const std::string& errorText);

    // More running at once than this: the next one is not started (a
    // program that never ends must not pile up without bound).
    static constexpr std::size_t kMaxRunning = 8;

private:
    void Notify(const std::string& program, const char* event, std::int32_t errorNumber, const std::string& errorText);

    app::Environment& env_;
    app::ParameterSet& params_;
    RunEventStream& events_;
    const RunProgress& progress_;
    RunRecord& record_;
    bool running_ = false;
    // Cleared by the destructor: a post that arrives later finds no notifier.
    std::shared_ptr<RunNotifier*> self_;
    platform::ChildProcesses children_;
};

}  // namespace plyx::engine
