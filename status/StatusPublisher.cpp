#include "status/StatusPublisher.h"

#include <utility>

namespace plyx::status {

StatusPublisher::StatusPublisher() : current_(std::make_shared<const StatusSnapshot>()) {}

void StatusPublisher::Publish(StatusSnapshot snapshot) {
    std::shared_ptr<const StatusSnapshot> next = std::make_shared<const StatusSnapshot>(std::move(snapshot));
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        current_.swap(next);
        ++version_;
    }
    // The old snapshot, when no reader holds it any more, goes here, outside the lock.
}

std::shared_ptr<const StatusSnapshot> StatusPublisher::Current(std::uint64_t* version) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (version != nullptr) *version = version_;
    return current_;
}

}  // namespace plyx::status
