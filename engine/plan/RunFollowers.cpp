#include "engine/plan/RunFollowers.h"

namespace plyx::engine {

RunFollowers::RunFollowers(app::Environment& env, app::ParameterSet& params, RunEngine& engine)
    : progress(env, params),
      record(env, params, engine.Globals(), progress),
      journal(env, params, progress, record, engine),
      env_(env),
      events_(engine.Events()),
      handle_(std::make_shared<RunEventStream*>(&engine.Events())) {
    events_.Subscribe(&progress);
    events_.Subscribe(&record);
    events_.Subscribe(&journal);
    env.EndRunAfterError = [&engine](std::int32_t number, const std::string& description) {
        return engine.EndRunAfterError(number, description);
    };
    // The program ending in the middle of a run (closed, or a failure that
    // ends it in order) still leaves the run's line.
    env.AddExitAction([handle = handle_] {
        if (*handle != nullptr) (*handle)->RunFailed(0, "the program ended during the run");
    });
}

RunFollowers::~RunFollowers() {
    *handle_ = nullptr;
    env_.EndRunAfterError = nullptr;
    events_.Unsubscribe(&journal);
    events_.Unsubscribe(&record);
    events_.Unsubscribe(&progress);
}

}  // namespace plyx::engine
