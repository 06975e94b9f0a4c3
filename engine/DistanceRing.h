#pragma once
// The ring of (tape distance, layer) entries, one per queued move. The
// program runs ahead of the machine by the controller's queue, so the
// displays read the entry that the controller is executing now: the newest
// entry minus the number of queue places in use.
#include <cstdint>
#include <vector>

namespace plyx::engine {

class DistanceRing {
public:
    DistanceRing() { Reset(0); }

    // Empties the ring and sizes it for a controller queue of that capacity:
    // 2 * capacity + 1 entries.
    void Reset(std::int16_t controllerQueueCapacity);

    // Stores the values at idNextDistance, advances it (wrapping) and repeats
    // the values at the new idNextDistance. Answers the index written first.
    std::int16_t InsertDistance(double distance, std::int16_t layer);

    // Index of the entry the controller is executing, given its queue places
    // in use; remembers both inputs as the last extraction.
    std::int16_t GetExtractIndex(std::int16_t cQueInUse);

    double DistanceAt(std::int16_t index) const { return QueueDistances[static_cast<std::size_t>(index)]; }
    std::int16_t LayerAt(std::int16_t index) const { return QueueLayers[static_cast<std::size_t>(index)]; }

    // True when the display would show something else than at the last
    // extraction.
    bool ChangedSinceExtract(std::int16_t cQueInUse) const {
        return cQueInUse != LastExtractInUse || idNextDistance != LastExtractNext;
    }

    std::int16_t QueueUpperIndex() const { return queueUpperIndex_; }
    std::int32_t Length() const { return static_cast<std::int32_t>(queueUpperIndex_) + 1; }

    std::vector<double> QueueDistances;
    std::vector<std::int16_t> QueueLayers;
    std::int16_t idNextDistance = 0;
    std::int16_t LastExtractNext = -1;
    std::int16_t LastExtractInUse = 0;

private:
    std::int16_t queueUpperIndex_ = 0;
};

}  // namespace plyx::engine
