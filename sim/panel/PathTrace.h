#pragma once
// The head's path as the panel draws it, built from the board's record of
// accepted moves and its position: every move extends the path from where
// the one before ended; the last `fill` moves are still in the board's
// queue, the rest have run. No Qt and no lock: the panel feeds it copies.
#include <cstddef>
#include <vector>

#include "sim/Simulator.h"

namespace plyx::sim::panel {

struct PathPoint {
    double x = 0, y = 0;  // steps
    bool jump = false;    // the path does not lead here from the point before
};

class PathTrace {
public:
    // One look at the board: its whole record of moves (nullptr: unchanged
    // since the last look) and its state. settled: no command reached the
    // board between the copy of the record and the state, so that an empty
    // queue means the head stands where the recorded moves have left it;
    // where it stands elsewhere (moves thrown away by a stop, a reset or a
    // restart), the path jumps there. A shorter record than before means
    // the record was cleared: the drawing starts afresh.
    void Update(const std::vector<MoveRecord>* moves, const SimState& state, bool settled);
    // The head only (between looks at the record).
    void UpdateHead(const SimState& state);

    const std::vector<PathPoint>& Points() const { return points_; }
    // Points [0, RanPoints()) lie on the path that has run; the points from
    // RanPoints() - 1 on end the moves still queued.
    std::size_t RanPoints() const { return points_.size() - queued_; }
    PathPoint Head() const { return head_; }
    std::size_t MovesSeen() const { return seen_; }

    // The oldest points go when a long session passes this many.
    static constexpr std::size_t kMaxPoints = 200000;

private:
    std::vector<PathPoint> points_;
    std::size_t seen_ = 0;    // moves of the record already in points_
    std::size_t queued_ = 0;  // trailing points that end queued moves
    PathPoint head_;
};

}  // namespace plyx::sim::panel
