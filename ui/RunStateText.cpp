#include "ui/RunStateText.h"

#include "engine/DisplayText.h"
#include "engine/RunState.h"

namespace plyx::ui {

text::ResourceId OutcomeTextId(const std::string& outcome) {
    static const struct {
        const char* outcome;
        text::ResourceId id;
    } kOutcomes[] = {
        {"completed", 1283},
        {"aborted from the window", 1284},
        {"aborted from the panel (STOP)", 1285},
        {"aborted from the panel (ABORT)", 1286},
        {"ended by a signal", 1288},
        {"error", 1289},
        {"interrupted", 1427},
    };
    for (const auto& o : kOutcomes)
        if (outcome == o.outcome) return o.id;
    return 1287;  // aborted
}

std::string RunStateText(const app::Environment& env, std::int16_t runState, const engine::RunRecord& record) {
    if (record.Running()) {
        switch (runState) {
            case engine::kRunPaused: return env.GetResourceText(1281);
            case engine::kRunStopping: return env.GetResourceText(1282);
            case engine::kRunAbortRequested: return env.GetResourceText(1292);
            default: return env.GetResourceText(1280);
        }
    }
    const std::optional<engine::RunSummary>& last = record.LastRun();
    if (!last) return {};
    std::string text = env.GetResourceText(OutcomeTextId(last->outcome));
    if (last->finishingLeftOut) text += ". " + env.GetResourceText(1290);
    return text;
}

std::string LastRunText(const app::Environment& env, const engine::RunRecord& record, bool metres) {
    const std::optional<engine::RunSummary>& last = record.LastRun();
    if (!last) return {};
    const double length = metres ? last->laidInches / 39.37 : last->laidInches / 12.0;
    return env.GetResourceText(1291) + " " + env.GetResourceText(OutcomeTextId(last->outcome)) + ", " +
           std::to_string(last->layersReached) + " / " + std::to_string(last->layersPlanned) + " " +
           env.GetResourceText(1293) + ", " + engine::TapeLengthText(length) + " " +
           env.GetResourceText(metres ? 1296 : 1295) + ", " + engine::ElapsedTimeText(last->seconds);
}

}  // namespace plyx::ui
