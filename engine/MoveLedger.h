#pragma once
// What the controller must have run, to check against what it says it ran.
// A controller that restarts or loses power mid-run drops the moves it held
// and then counts them as done: its queue empties, yet the head stands
// where the restart caught it. Comparing the reported position with the sum
// of the moves the queue count calls done finds that, whatever the
// controller's speed, without a clock.
#include <cstdint>
#include <deque>

namespace plyx::engine {

class MoveLedger {
public:
    // Moves of history kept to say how many moves were lost.
    static constexpr std::size_t kHistory = 512;

    // A run starts with the head at x, y on a controller whose queue holds
    // capacity moves; checks are on until Stop.
    void Start(std::int32_t x, std::int32_t y, std::int16_t layer, std::int32_t capacity);
    void Stop() { active_ = false; }
    bool Active() const { return active_; }

    // The controller accepted one more move (relative steps) of this layer.
    void Queued(std::int32_t dx, std::int32_t dy, std::int16_t layer);
    // The controller's count of queue places in use (waiting or running).
    // True when it fell by more than one move since the last count: the
    // position is worth a look now.
    bool Observe(std::int32_t inUse);

    // The head reported at x, y (both read after the last count). 0 when it
    // stands on the way the moves still counted put it on (from the moves
    // counted as done to all queued); otherwise how many moves the
    // controller counted as done without running them.
    std::int64_t Check(std::int64_t x, std::int64_t y) const;
    // The layer of the last move the head had run, by the position last
    // checked as lost (or by the count).
    std::int16_t LayerReached() const { return layerReached_; }

    // The layer of the last move the count calls done (the run's first layer before any).
    std::int16_t LayerDone() const;
    std::int64_t Queued() const { return queued_; }
    std::int64_t Done() const { return queued_ - inUse_; }

private:
    struct Point {
        std::int64_t x = 0, y = 0;  // where the head stands once this move has run
        std::int16_t layer = 0;
    };
    // The head after the first n moves (n from queued_ - history size to queued_).
    const Point* After(std::int64_t n) const;
    // Steps from x, y to the straight move n + 1 (from the point after n moves).
    double DistanceToMove(std::int64_t x, std::int64_t y, std::int64_t n) const;
    // How far off its straight line a head stopped mid-move may be: the
    // motors step in whole steps, each on its own.
    static constexpr double kOnTheMoveSteps = 3.0;
    // x, y lies between the points after moves from and to (each axis on its own).
    bool Between(std::int64_t x, std::int64_t y, std::int64_t from, std::int64_t to) const;

    bool active_ = false;
    std::deque<Point> history_;  // history_.back() is after queued_ moves
    std::int64_t queued_ = 0;
    std::int64_t inUse_ = 0;
    std::int64_t lastDrop_ = 0;
    std::int64_t capacity_ = 0;
    mutable std::int16_t layerReached_ = 0;
};

}  // namespace plyx::engine
