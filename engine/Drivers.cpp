// Creating and releasing the driver of the connected controller family.
#include "engine/Controller2Axis.h"
#include "engine/Controller4Axis.h"
#include "engine/RunEngine.h"

namespace plyx::engine {

void RunEngine::CreateDriver(link::ZentrovaCom& boardLink) {
    ReleaseDrivers();
    if (env_.ControllerFamily == kFamily4Axis) {
        ownedDriver_ = std::make_unique<Controller4Axis>(boardLink, env_.Clock());
    } else {
        auto twoAxis = std::make_unique<Controller2Axis>(boardLink, params_, env_.Clock());
        // Identifies the board, which sets the driver's current scale.
        twoAxis->Identify();
        ownedDriver_ = std::move(twoAxis);
    }
    controller_ = ownedDriver_.get();
    controller_->SetAutoWait(false);
}

}  // namespace plyx::engine
