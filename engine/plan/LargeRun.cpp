// A run far beyond any real shell (a count typed one digit too long) would
// hold the machine for days: the operator says so before it starts.
#include "engine/DisplayText.h"
#include "engine/plan/RunPlan.h"

namespace plyx::engine {

namespace {
constexpr text::ResourceId kTextLargeRun = 1252;

}  // namespace

bool ConfirmLargeRun(app::Environment& env, const app::ParameterSet& params, bool burnish, RunPlan* planned) {
    // Planning stops one move past the limit: enough to know, in bounded time.
    RunPlan plan = RecordRunPlan(env, params, env.ControllerFamily, burnish, {.moveLimit = kLargeRunMoves + 1});
    if (!plan.refusal.empty()) return true;
    if (!IsLargeRun(plan)) {
        if (planned != nullptr) *planned = std::move(plan);
        return true;
    }
    const std::string more = plan.cutShort ? "> " : "";
    const std::string text =
        text::FillTexts(env.GetResourceText(kTextLargeRun), {more + std::to_string(plan.moveCount),
                                                             more + ElapsedTimeText(static_cast<std::int64_t>(plan.seconds))});
    env.LogLine("Very long run: " + more + std::to_string(plan.moveCount) + " moves, " + more +
                ElapsedTimeText(static_cast<std::int64_t>(plan.seconds)) + " estimated -- asking the operator");
    const platform::MessageResult answer =
        env.Dialogs().ShowMessage(text, env.PortCaptionPrefix + env.ProgramName, platform::MessageButtons::OkCancel,
                                  platform::MessageIcon::Warning);
    if (answer == platform::MessageResult::Ok) {
        // Its tape (a lower bound when planning stopped short) is still asked about.
        if (planned != nullptr) *planned = std::move(plan);
        return true;
    }
    env.LogLine("Run not started: the operator declined the very long run");
    return false;
}

}  // namespace plyx::engine
