// The machine after an error that ends the program in the middle of a run:
// without a word to the controller it would run on through every move it
// holds, with nobody at the program to stop it.
#include "engine/RunEngine.h"

namespace plyx::engine {

namespace {
// Operator texts: the controller stopped, or it may still be moving.
constexpr text::ResourceId kTextStopped = 1250;
constexpr text::ResourceId kTextMayBeMoving = 1251;
}  // namespace

std::string RunEngine::StopAfterError() {
    if (errorStop_) return *errorStop_;
    if (!runInProgress_ || controller_ == nullptr) return {};
    runInProgress_ = false;
    Log("Stopping the controller after the error");
    // The abort path of the stop sequence: pause, wait for the motors to
    // stand, stop, reset (which drops the queue). Its waits see the abort
    // state and end at once, so only the board's answers take time.
    globals_.RunState = kRunAbortRequested;
    try {
        StopSequence();
        Log("Controller stopped and reset after the error");
        errorStop_ = env_.GetResourceText(kTextStopped);
    } catch (const std::exception& e) {
        Log(std::string("The controller did not take the stop: ") + e.what());
        errorStop_ = env_.GetResourceText(kTextMayBeMoving);
    }
    globals_.RunState = kRunIdle;
    return *errorStop_;
}

std::string RunEngine::EndRunAfterError(std::int32_t number, const std::string& description) {
    std::string machine = StopAfterError();
    // Observers know whether a run of theirs was going; between runs they let it pass.
    events_.RunFailed(number, description);
    return machine;
}

}  // namespace plyx::engine
