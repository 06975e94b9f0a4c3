#pragma once
// A whole run on the simulated board with a fault thrown in: the engine's
// board bench, which starts its board when the test says.
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {

using RunFaultTest = BoardTest;

}  // namespace plyx::engine::test
