#pragma once
// The head's path as the panel draws it, built from the board's record of
// accepted moves, each marked queued, ran or dropped, and its position:
// every move extends the path from where the one before ended. No Qt and
// no lock: the panel feeds it copies.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/Simulator.h"

namespace plyx::sim::panel {

struct PathPoint {
    // Jump: the path does not lead here from the point before. Otherwise
    // the point ends a move, which is in the state given.
    enum Kind : std::uint8_t { Jump, Queued, Ran, Dropped };
    double x = 0, y = 0;  // steps
    Kind kind = Jump;
};

class PathTrace {
public:
    // One look at the board: its whole record of moves (nullptr: unchanged
    // since the last look) and its state. settled: no command reached the
    // board between the copy of the record and the state, so that an empty
    // queue means the head stands where the moves have left it; where it
    // stands elsewhere (a move cut by a stop, a target set directly), the
    // path jumps there. A shorter record than before means the record was
    // cleared: the drawing starts afresh.
    void Update(const std::vector<MoveRecord>* moves, const SimState& state, bool settled);
    // The head only (between looks at the record).
    void UpdateHead(const SimState& state);

    const std::vector<PathPoint>& Points() const { return points_; }
    PathPoint Head() const { return head_; }
    // Changes with every change of the drawing (not of the head).
    std::uint64_t Version() const { return version_; }

    // The oldest points go when a long session passes this many.
    static constexpr std::size_t kMaxPoints = 200000;

private:
    std::vector<PathPoint> points_;
    std::vector<std::size_t> pointOfMove_;  // by move index, counted from dropped_ points
    std::size_t dropped_ = 0;               // points trimmed off the front
    std::size_t seen_ = 0;                  // moves of the record in points_
    std::size_t firstQueued_ = 0;           // no move before this one is still queued
    PathPoint head_;
    std::uint64_t version_ = 0;
};

}  // namespace plyx::sim::panel
