#pragma once
// The hand-over between the program's thread, which makes a new snapshot
// whenever the run moves on, and the status server's thread, which answers
// from whatever snapshot is current. Each snapshot is immutable once
// published; the lock covers only the exchange of one pointer, so the
// program's thread never waits on a client.
#include <cstdint>
#include <memory>
#include <mutex>

#include "status/StatusSnapshot.h"

namespace plyx::status {

class StatusPublisher {
public:
    StatusPublisher();

    // Makes snapshot the current one.
    void Publish(StatusSnapshot snapshot);
    // The current snapshot (never null) and its number: each Publish
    // counts one up, so a reader can keep what it made from a snapshot.
    std::shared_ptr<const StatusSnapshot> Current(std::uint64_t* version = nullptr) const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const StatusSnapshot> current_;
    std::uint64_t version_ = 0;
};

}  // namespace plyx::status
