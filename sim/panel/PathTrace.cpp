#include "sim/panel/PathTrace.h"

#include <algorithm>

namespace plyx::sim::panel {

namespace {

PathPoint At(const SimState& s) {
    return {static_cast<double>(s.position[kX]), static_cast<double>(s.position[kY]), false};
}

}  // namespace

void PathTrace::UpdateHead(const SimState& state) {
    head_ = At(state);
    stoodStill_ = state.queueFill == 0;
}

void PathTrace::Update(const std::vector<MoveRecord>& moves, const SimState& state) {
    if (moves.size() < seen_) {
        points_.clear();
        seen_ = 0;
        stoodStill_ = true;
    }
    const std::size_t fresh = moves.size() - seen_;
    const std::size_t waiting = std::min<std::size_t>(static_cast<std::size_t>(std::max(state.queueFill, 0)),
                                                      moves.size());
    if (fresh > 0) {
        PathPoint start = head_;
        if (points_.empty()) {
            // A first look (or one after the record was cleared), maybe in
            // the middle of a session: the moves that ran end about where
            // the head stands now.
            start = At(state);
            for (std::size_t i = 0; i < moves.size() - waiting; ++i) {
                start.x -= moves[i].steps[kX];
                start.y -= moves[i].steps[kY];
            }
        }
        // A new stream starts where the head stood; a standstill elsewhere
        // than the path's end (moves thrown away, a target set directly)
        // shows as a jump, not as a line the head never ran.
        if (points_.empty() || (stoodStill_ && (start.x != points_.back().x || start.y != points_.back().y)))
            points_.push_back({start.x, start.y, !points_.empty()});
        for (std::size_t i = seen_; i < moves.size(); ++i) {
            const PathPoint& last = points_.back();
            points_.push_back({last.x + moves[i].steps[kX], last.y + moves[i].steps[kY], false});
        }
        seen_ = moves.size();
    }
    queued_ = std::min(waiting, points_.empty() ? 0 : points_.size() - 1);
    if (points_.size() > kMaxPoints) {
        const std::size_t drop = std::min(points_.size() / 2, points_.size() - queued_ - 1);
        points_.erase(points_.begin(), points_.begin() + static_cast<std::ptrdiff_t>(drop));
        points_.front().jump = false;
    }
    UpdateHead(state);
}

}  // namespace plyx::sim::panel
