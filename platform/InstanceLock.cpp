#include "platform/InstanceLock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace plyx::platform {

long FlockHolder(int fd, const std::string& locksTable) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return 0;
    std::ifstream table(locksTable);
    std::string line;
    while (std::getline(table, line)) {
        // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; waiters carry "->" and hold nothing.
        std::istringstream in(line);
        std::string id, kind, mode, access, pid, file;
        if (!(in >> id >> kind >> mode >> access >> pid >> file) || kind != "FLOCK") continue;
        unsigned long major = 0, minor = 0, inode = 0;
        if (std::sscanf(file.c_str(), "%lx:%lx:%lu", &major, &minor, &inode) != 3) continue;
        if (major == ::major(st.st_dev) && minor == ::minor(st.st_dev) && inode == st.st_ino)
            return std::strtol(pid.c_str(), nullptr, 10);
    }
    return 0;
}

InstanceLock::~InstanceLock() { Release(); }

void InstanceLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool InstanceLock::TryTake(const std::string& path, long& holder) {
    holder = 0;
    Release();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return true;  // nobody can lock it: nothing to guard
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        holder = FlockHolder(fd);
        if (holder == 0) {
            // No lock table to read: the holder wrote its id into the file.
            char text[24] = {};
            if (::pread(fd, text, sizeof text - 1, 0) > 0) holder = std::strtol(text, nullptr, 10);
        }
        ::close(fd);
        return false;
    }
    fd_ = fd;
    // For the operator who looks: which process holds it.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, pid.data(), pid.size(), 0) < 0) {
        // The lock holds without the note.
    }
    return true;
}

}  // namespace plyx::platform
