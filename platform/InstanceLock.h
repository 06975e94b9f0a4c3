#pragma once
// A lock file that marks a resource (a COM port's files) as taken by one
// running process for as long as it lives. The kernel drops the lock when
// the process ends, however it ends, so a stale file never blocks anyone.
#include <string>

namespace plyx::platform {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Creates path when missing and takes its lock without waiting. True
    // when this object holds it now (it then writes this process's id into
    // the file). False when another holder has it: holder is then that
    // process's id, or 0 when it cannot be found. A file that cannot be
    // opened at all (a folder nobody may write) gives true without a lock:
    // no process could take it either.
    bool TryTake(const std::string& path, long& holder);
    bool Held() const { return fd_ >= 0; }
    void Release();

private:
    int fd_ = -1;
};

// The process holding the flock lock on the open file fd, from the kernel's
// table of locks (/proc/locks); 0 when none is listed.
long FlockHolder(int fd, const std::string& locksTable = "/proc/locks");

}  // namespace plyx::platform
