#pragma once
// The run's state as the windows tell it: running, paused, stopping, and
// how the last run ended (the run status window's status line and the main
// window's last run), in the operator's language.
#include <cstdint>
#include <string>

#include "app/Environment.h"
#include "engine/plan/RunRecord.h"

namespace plyx::ui {

// The text of a record's outcome ("interrupted" for a run the program never saw end).
text::ResourceId OutcomeTextId(const std::string& outcome);

// While record runs: the state the engine is in; after it, how it ended
// (and that the finishing file's layers did not run, where so). "" before
// the first run.
std::string RunStateText(const app::Environment& env, std::int16_t runState, const engine::RunRecord& record);

// "Last run: Completed, 6 of 6 layers, 126.2 ft, 0:02:36"; "" before the first run.
std::string LastRunText(const app::Environment& env, const engine::RunRecord& record, bool metres);

}  // namespace plyx::ui
