#include "engine/notify/RunNotifier.h"

#include <sys/wait.h>

#include <algorithm>

#include "platform/Clock.h"

namespace plyx::engine {

namespace {

std::function<void()> WakeThrough(const RunNotifier::Post& post, const std::shared_ptr<RunNotifier*>& self) {
    if (!post) return nullptr;
    // On a reaper thread: only the post, which runs the rest on the program's thread.
    return [post, self] {
        post([self] {
            if (*self != nullptr) (*self)->LogEnded();
        });
    };
}

}  // namespace

RunNotifier::RunNotifier(app::Environment& env, app::ParameterSet& params, RunEngine& engine, RunFollowers& runs,
                         Post post)
    : env_(env),
      params_(params),
      events_(engine.Events()),
      progress_(runs.progress),
      record_(runs.record),
      self_(std::make_shared<RunNotifier*>(this)),
      children_(WakeThrough(post, self_)) {
    events_.Subscribe(this);
}

RunNotifier::~RunNotifier() {
    events_.Unsubscribe(this);
    *self_ = nullptr;
}

void RunNotifier::RunStarted(bool) {
    running_ = true;
    LogEnded();
}

void RunNotifier::ElapsedChanged(std::int64_t) { LogEnded(); }

void RunNotifier::RunEnded(RunEnd) {
    if (!running_) return;
    running_ = false;
    Notify(params_.strOnRunEnd, "runend", 0, "");
}

void RunNotifier::RunFailed(std::int32_t number, const std::string& text) {
    if (!running_) return;
    running_ = false;
    Notify(params_.strOnRunEnd, "runend", number, text);
    Notify(params_.strOnError, "error", number, text);
}

std::vector<std::string> RunNotifier::Variables(const char* event, std::int32_t errorNumber,
                                                const std::string& errorText) {
    const RunPlan& plan = progress_.Plan();
    RunSummary run;
    if (const std::optional<RunSummary>& last = record_.LastRun())
        run = *last;
    else
        run = {errorNumber != 0 ? "error" : "aborted", plan.layers, progress_.LayerReached(), progress_.LaidInches(),
               std::max<std::int64_t>(0, env_.Clock().WallTime() - progress_.StartTime()), false};
    const bool failed = std::string(event) == "error" || run.outcome == "error";
    return {
        std::string("PLYX3_EVENT=") + event,
        "PLYX3_OUTCOME=" + run.outcome,
        "PLYX3_PORT=" + env_.ComPortName,
        "PLYX3_MODEL=" + params_.strModel,
        "PLYX3_SHELL_FILE=" + progress_.ShellFile(),
        std::string("PLYX3_KIND=") + (progress_.Burnish() ? "burnish" : "full"),
        "PLYX3_START=" + IsoTime(progress_.StartTime()),
        "PLYX3_DURATION_S=" + std::to_string(run.seconds),
        "PLYX3_LAYERS_PLANNED=" + std::to_string(run.layersPlanned),
        "PLYX3_LAYERS_REACHED=" + std::to_string(run.layersReached),
        "PLYX3_TAPE_PLANNED_FT=" + RecordFeet(plan.tapeInches),
        "PLYX3_TAPE_LAID_FT=" + RecordFeet(run.laidInches),
        "PLYX3_ERROR_NUMBER=" + (failed ? std::to_string(errorNumber) : std::string()),
        "PLYX3_ERROR_TEXT=" + (failed ? OneLineText(errorText) : std::string()),
        "PLYX3_RECORD=" + record_.FilePath(),
    };
}

void RunNotifier::Notify(const std::string& program, const char* event, std::int32_t errorNumber,
                         const std::string& errorText) {
    if (program.empty()) return;
    LogEnded();
    const std::size_t running = children_.Running().size();
    if (running >= kMaxRunning) {
        env_.LogLine("Notification program " + program + " not started: " + std::to_string(running) +
                     " notification programs are still running");
        return;
    }
    std::string why;
    const pid_t pid = children_.Start(program, {}, Variables(event, errorNumber, errorText), &why);
    if (pid < 0)
        env_.LogLine("Notification program " + program + " could not be started: " + why);
    else
        env_.LogLine("Notification program " + program + " started (process " + std::to_string(pid) + ")");
}

void RunNotifier::LogEnded() {
    for (const platform::ChildProcesses::Ended& e : children_.TakeEnded()) {
        const bool fine = WIFEXITED(e.status) && WEXITSTATUS(e.status) == 0;
        env_.LogLine("Notification program " + e.program + " (process " + std::to_string(e.pid) + ") ended" +
                     (fine ? std::string() : " with " + platform::ChildProcesses::StatusText(e.status)));
    }
}

}  // namespace plyx::engine
