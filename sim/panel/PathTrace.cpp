#include "sim/panel/PathTrace.h"

#include <algorithm>

namespace plyx::sim::panel {

namespace {

PathPoint::Kind KindOf(MoveRecord::Status s) {
    switch (s) {
        case MoveRecord::Ran: return PathPoint::Ran;
        case MoveRecord::Dropped: return PathPoint::Dropped;
        case MoveRecord::Queued: break;
    }
    return PathPoint::Queued;
}

}  // namespace

void PathTrace::UpdateHead(const SimState& state) {
    head_ = {static_cast<double>(state.position[kX]), static_cast<double>(state.position[kY]), PathPoint::Jump};
}

void PathTrace::Update(const std::vector<MoveRecord>* moves, const SimState& state, bool settled) {
    UpdateHead(state);
    const std::size_t before = points_.size();
    if (moves != nullptr) {
        if (moves->size() < seen_) {
            points_.clear();
            pointOfMove_.clear();
            dropped_ = seen_ = firstQueued_ = 0;
            ++version_;
        }
        if (points_.empty() && moves->size() > seen_) {
            // A first look, maybe in the middle of a session: the moves
            // that ran end about where the head stands now.
            PathPoint start = head_;
            for (const MoveRecord& m : *moves) {
                if (m.status != MoveRecord::Ran) continue;
                start.x -= m.steps[kX];
                start.y -= m.steps[kY];
            }
            points_.push_back(start);
        }
        // Moves seen before change only from queued to ran or dropped.
        for (std::size_t i = firstQueued_; i < seen_; ++i) {
            if (pointOfMove_[i] < dropped_) continue;
            PathPoint& p = points_[pointOfMove_[i] - dropped_];
            const PathPoint::Kind k = KindOf((*moves)[i].status);
            if (p.kind != k) {
                p.kind = k;
                ++version_;
            }
        }
        for (std::size_t i = seen_; i < moves->size(); ++i) {
            const PathPoint& last = points_.back();
            pointOfMove_.push_back(dropped_ + points_.size());
            points_.push_back({last.x + (*moves)[i].steps[kX], last.y + (*moves)[i].steps[kY],
                               KindOf((*moves)[i].status)});
        }
        seen_ = moves->size();
        while (firstQueued_ < seen_ && (*moves)[firstQueued_].status != MoveRecord::Queued) ++firstQueued_;
    }
    if (settled && state.queueFill == 0 && !points_.empty() &&
        (head_.x != points_.back().x || head_.y != points_.back().y))
        points_.push_back(head_);
    if (points_.size() > kMaxPoints) {
        const std::size_t cut = points_.size() / 2;
        points_.erase(points_.begin(), points_.begin() + static_cast<std::ptrdiff_t>(cut));
        dropped_ += cut;
        points_.front().kind = PathPoint::Jump;
    }
    if (points_.size() != before) ++version_;
}

}  // namespace plyx::sim::panel
