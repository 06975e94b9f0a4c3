#pragma once
// Keeps the run journal while a run goes: written when the run starts and
// whenever the controller begins a layer pass (never per move), removed once the
// run's line is in the production record. Subscribed after the progress
// and the record, which it reads and follows.
#include <cstdint>
#include <string>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunEvents.h"
#include "engine/plan/RunJournal.h"
#include "engine/plan/RunProgress.h"

namespace plyx::engine {

class JournalKeeper final : public RunObserver {
public:
    JournalKeeper(app::Environment& env, app::ParameterSet& params, const RunProgress& progress)
        : env_(env), params_(params), progress_(progress) {}

    void RunStarted(bool burnish) override;
    void ControllerAt(const ControllerReport& at) override;
    void RunEnded(RunEnd how) override;
    void RunFailed(std::int32_t number, const std::string& text) override;

private:
    void Write();
    void Remove();

    app::Environment& env_;
    app::ParameterSet& params_;
    const RunProgress& progress_;
    bool running_ = false;
    std::int32_t written_ = 0;  // the layer pass the journal on disk holds
};

}  // namespace plyx::engine
