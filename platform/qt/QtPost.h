#pragma once
// Work handed to the program's own thread from any other: it runs at the
// next turn of Qt's loop (also inside the run's waits, which let window
// events run).
#include <functional>

namespace plyx::platform {

void PostToQtLoop(std::function<void()> work);

}  // namespace plyx::platform
