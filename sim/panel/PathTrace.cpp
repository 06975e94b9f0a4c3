#include "sim/panel/PathTrace.h"

#include <algorithm>

namespace plyx::sim::panel {

namespace {

PathPoint At(const SimState& s) {
    return {static_cast<double>(s.position[kX]), static_cast<double>(s.position[kY]), false};
}

}  // namespace

void PathTrace::UpdateHead(const SimState& state) { head_ = At(state); }

void PathTrace::Update(const std::vector<MoveRecord>* moves, const SimState& state, bool settled) {
    UpdateHead(state);
    const std::size_t fill = static_cast<std::size_t>(std::max(state.queueFill, 0));
    if (moves != nullptr) {
        if (moves->size() < seen_) {
            points_.clear();
            seen_ = 0;
        }
        if (points_.empty() && moves->size() > seen_) {
            // A first look, maybe in the middle of a session: the moves
            // that ran end about where the head stands now.
            PathPoint start = head_;
            for (std::size_t i = 0; i < moves->size() - std::min(fill, moves->size()); ++i) {
                start.x -= (*moves)[i].steps[kX];
                start.y -= (*moves)[i].steps[kY];
            }
            points_.push_back(start);
        }
        for (std::size_t i = seen_; i < moves->size(); ++i) {
            const PathPoint& last = points_.back();
            points_.push_back({last.x + (*moves)[i].steps[kX], last.y + (*moves)[i].steps[kY], false});
        }
        seen_ = moves->size();
    }
    if (settled && fill == 0 && !points_.empty() && (head_.x != points_.back().x || head_.y != points_.back().y))
        points_.push_back({head_.x, head_.y, true});
    queued_ = std::min(fill, points_.empty() ? 0 : points_.size() - 1);
    if (points_.size() > kMaxPoints) {
        const std::size_t drop = std::min(points_.size() / 2, points_.size() - queued_ - 1);
        points_.erase(points_.begin(), points_.begin() + static_cast<std::ptrdiff_t>(drop));
        points_.front().jump = false;
    }
}

}  // namespace plyx::sim::panel
