#include "engine/MoveLedger.h"

#include <algorithm>
#include <cmath>

namespace plyx::engine {

void MoveLedger::Start(std::int32_t x, std::int32_t y, std::int16_t layer, std::int32_t capacity) {
    capacity_ = std::max<std::int32_t>(capacity, 1);
    history_.clear();
    history_.push_back({x, y, layer});
    queued_ = inUse_ = lastDrop_ = 0;
    layerReached_ = layer;
    active_ = true;
}

void MoveLedger::Queued(std::int32_t dx, std::int32_t dy, std::int16_t layer) {
    if (!active_) return;
    const Point& last = history_.back();
    history_.push_back({last.x + dx, last.y + dy, layer});
    if (history_.size() > kHistory + 1) history_.pop_front();
    ++queued_;
    ++inUse_;  // until the next count says otherwise
}

bool MoveLedger::Observe(std::int32_t inUse) {
    if (!active_) return false;
    const std::int64_t count = std::clamp<std::int64_t>(inUse, 0, queued_);
    const std::int64_t drop = inUse_ - count;
    inUse_ = count;
    if (drop > 1) lastDrop_ = drop;
    return drop > 1;
}

std::int16_t MoveLedger::LayerDone() const {
    const Point* p = After(Done());
    return p ? p->layer : layerReached_;
}

const MoveLedger::Point* MoveLedger::After(std::int64_t n) const {
    const std::int64_t first = queued_ - static_cast<std::int64_t>(history_.size()) + 1;
    if (n < first || n > queued_) return nullptr;
    return &history_[static_cast<std::size_t>(n - first)];
}

double MoveLedger::DistanceToMove(std::int64_t x, std::int64_t y, std::int64_t n) const {
    const Point& a = *After(n);
    const Point& b = *After(n + 1);
    const double dx = static_cast<double>(b.x - a.x), dy = static_cast<double>(b.y - a.y);
    const double px = static_cast<double>(x - a.x), py = static_cast<double>(y - a.y);
    const double length2 = dx * dx + dy * dy;
    const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
    return std::hypot(px - t * dx, py - t * dy);
}

bool MoveLedger::Between(std::int64_t x, std::int64_t y, std::int64_t from, std::int64_t to) const {
    std::int64_t minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
    bool any = false;
    for (std::int64_t n = from; n <= to; ++n) {
        const Point* p = After(n);
        if (p == nullptr) continue;
        any = true;
        minX = std::min(minX, p->x);
        maxX = std::max(maxX, p->x);
        minY = std::min(minY, p->y);
        maxY = std::max(maxY, p->y);
    }
    return any && x >= minX && x <= maxX && y >= minY && y <= maxY;
}

std::int64_t MoveLedger::Check(std::int64_t x, std::int64_t y) const {
    const std::int64_t done = Done();
    // Any move the count still held may have run before the position was read.
    if (Between(x, y, done, queued_)) {
        if (const Point* p = After(done)) layerReached_ = p->layer;
        return 0;
    }
    // Where the head really stands: on the straight move nearest to it
    // (moves run in straight lines; a box would also take in points of
    // later, longer moves), among those a controller can lose at once: what
    // its queue held. Farther back is no place the head can be: its
    // counters were cleared (a power cycle) or moved by hand.
    std::int64_t best = -1;
    double bestDistance = 0;
    for (std::int64_t n = done - 1; n >= done - capacity_ - 1 && After(n) != nullptr && After(n + 1) != nullptr;
         --n) {
        const double d = DistanceToMove(x, y, n);
        if (best < 0 || d < bestDistance) {
            best = n;
            bestDistance = d;
        }
    }
    if (best >= 0 && bestDistance <= kOnTheMoveSteps) {
        layerReached_ = After(best)->layer;
        return done - best;
    }
    // Nowhere on the way (its position counters cleared too): at least the
    // moves the count let go at once.
    if (const Point* p = After(std::max<std::int64_t>(0, done - lastDrop_))) layerReached_ = p->layer;
    return std::max<std::int64_t>(1, lastDrop_);
}

}  // namespace plyx::engine
