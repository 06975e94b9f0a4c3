#pragma once
// The observers every run has, subscribed to the engine's events in the
// order they read each other: the plan and progress first, then the
// production record, then the journal (removed once the record has the
// run's line). Further observers subscribe after these.
//
// They also take the environment's two ends of a run beside the stop
// sequence: an error that ends the program (EndRunAfterError: the machine
// stopped, then the observers told), and the program ending mid-run.
#include <memory>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunEngine.h"
#include "engine/plan/JournalKeeper.h"
#include "engine/plan/RunProgress.h"
#include "engine/plan/RunRecord.h"

namespace plyx::engine {

class RunFollowers {
public:
    RunFollowers(app::Environment& env, app::ParameterSet& params, RunEngine& engine);
    ~RunFollowers();
    RunFollowers(const RunFollowers&) = delete;
    RunFollowers& operator=(const RunFollowers&) = delete;

    RunProgress progress;
    RunRecord record;
    JournalKeeper journal;

private:
    app::Environment& env_;
    RunEventStream& events_;
    // The environment may outlive these: its exit action reaches the
    // stream through a handle the destructor clears.
    std::shared_ptr<RunEventStream*> handle_;
};

}  // namespace plyx::engine
