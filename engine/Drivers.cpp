// Creating and releasing the driver of the connected controller family.
#include <stdexcept>

#include "engine/Controller4Axis.h"
#include "engine/RunEngine.h"
#if __has_include("engine/Controller2Axis.h")
#include "engine/Controller2Axis.h"
#define PLYX_ENGINE_HAS_2AXIS 1
#endif

namespace plyx::engine {

void RunEngine::CreateDriver(link::ZentrovaCom& boardLink) {
    ReleaseDrivers();
    if (env_.ControllerFamily == kFamily4Axis) {
        ownedDriver_ = std::make_unique<Controller4Axis>(boardLink, env_.Clock());
    } else {
#ifdef PLYX_ENGINE_HAS_2AXIS
        auto twoAxis = std::make_unique<Controller2Axis>(boardLink, params_, env_.Clock());
        // Identifies the board, which sets the driver's current scale.
        twoAxis->Identify();
        ownedDriver_ = std::move(twoAxis);
#else
        throw std::runtime_error("no driver for the 2-axis controller family in this build");
#endif
    }
    controller_ = ownedDriver_.get();
    controller_->SetAutoWait(false);
}

}  // namespace plyx::engine
