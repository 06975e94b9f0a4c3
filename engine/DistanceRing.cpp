#include "engine/DistanceRing.h"

#include <algorithm>

namespace plyx::engine {

namespace {
// The capacity comes from the board; the ring's indices are 16-bit, so a
// capacity beyond what they can address (or below zero) is limited.
constexpr std::int16_t kMaxCapacity = 16383;
}  // namespace

void DistanceRing::Reset(std::int16_t controllerQueueCapacity) {
    std::int16_t capacity = std::clamp<std::int16_t>(controllerQueueCapacity, 0, kMaxCapacity);
    queueUpperIndex_ = static_cast<std::int16_t>(2 * capacity);
    QueueDistances.assign(static_cast<std::size_t>(queueUpperIndex_) + 1, 0.0);
    QueueLayers.assign(static_cast<std::size_t>(queueUpperIndex_) + 1, 0);
    idNextDistance = 0;
    LastExtractNext = -1;
}

std::int16_t DistanceRing::InsertDistance(double distance, std::int16_t layer) {
    std::int16_t written = idNextDistance;
    QueueDistances[static_cast<std::size_t>(written)] = distance;
    QueueLayers[static_cast<std::size_t>(written)] = layer;
    idNextDistance = static_cast<std::int16_t>(written + 1);
    if (idNextDistance > queueUpperIndex_) idNextDistance = 0;
    QueueDistances[static_cast<std::size_t>(idNextDistance)] = distance;
    QueueLayers[static_cast<std::size_t>(idNextDistance)] = layer;
    return written;
}

std::int16_t DistanceRing::GetExtractIndex(std::int16_t cQueInUse) {
    LastExtractNext = idNextDistance;
    LastExtractInUse = cQueInUse;
    // A board may report more free places than its capacity (or more in use
    // than the ring holds); a true modulo keeps the index inside the ring.
    std::int32_t length = Length();
    std::int32_t index = (static_cast<std::int32_t>(idNextDistance) - cQueInUse) % length;
    if (index < 0) index += length;
    return static_cast<std::int16_t>(index);
}

}  // namespace plyx::engine
