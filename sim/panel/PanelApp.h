#pragma once
// boardsim --panel: the panel window on the calling (main) thread, beside
// the simulator's own thread and the control-line loop.
#include <string>

#include "sim/Simulator.h"

namespace plyx::sim::panel {

// Empty when a window can open here; otherwise why not.
std::string WhyNoDisplay();

// Shows the panel and runs the window system's loop until the window is
// closed or RequestQuit is called. Answers the loop's exit code.
int RunPanel(Simulator& sim, const std::string& boardName, int& argc, char** argv);

// From any thread, also before RunPanel: ends RunPanel's loop soon.
void RequestQuit();

}  // namespace plyx::sim::panel
