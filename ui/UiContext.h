#pragma once
// What every window works with: the program environment (names, texts,
// dialogs, log), the parameter set and the run engine.
#include <functional>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunEngine.h"

namespace plyx::ui {

struct UiContext {
    app::Environment& env;
    app::ParameterSet& params;
    engine::RunEngine& engine;
};

// Runs one window action. An error that reaches it (from the board link, a
// driver or the engine) is shown with its number and description, and the
// program ends, as nothing after it can be trusted.
void RunAction(app::Environment& env, const std::function<void()>& action);

}  // namespace plyx::ui
