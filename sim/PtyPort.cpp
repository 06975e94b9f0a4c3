#include "sim/PtyPort.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

namespace plyx::sim {

namespace {

void MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &t);
}

[[noreturn]] void Throw(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

PtyPort::~PtyPort() { Close(); }

void PtyPort::Open() {
    Close();
    int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) Throw("posix_openpt");
    char name[128];
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        int e = errno;
        ::close(fd);
        errno = e;
        Throw("pseudo-terminal");
    }
    master_ = fd;
    path_ = name;
    MakeRaw(master_);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    held_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (held_ < 0) {
        int e = errno;
        Close();
        errno = e;
        Throw("open program end");
    }
    // Raw on the program's end as well: a program that sets no modes still
    // sees every byte unchanged.
    MakeRaw(held_);
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 && ::inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(watch_);
        watch_ = -1;
    }
    // Without notices the program's end counts as always open.
    connected_ = watch_ < 0;
}

void PtyPort::Close() {
    if (watch_ >= 0) ::close(watch_);
    if (held_ >= 0) ::close(held_);
    if (master_ >= 0) ::close(master_);
    watch_ = held_ = master_ = -1;
    connected_ = false;
}

bool PtyPort::ReadNotices(bool* closedOut) {
    if (closedOut) *closedOut = false;
    if (watch_ < 0) return connected_;
    alignas(inotify_event) char buf[4096];
    bool opened = false, closed = false;
    for (;;) {
        ssize_t n = ::read(watch_, buf, sizeof buf);
        if (n <= 0) break;
        for (ssize_t off = 0; off + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            auto* e = reinterpret_cast<inotify_event*>(buf + off);
            if (e->mask & IN_OPEN) opened = true;
            if (e->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) closed = true;
            off += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    if (opened) connected_ = true;
    if (closedOut) *closedOut = closed;
    if (closed && !OthersHoldIt()) {
        // Last close: a real port forgets its exclusive mode and whatever
        // it had received.
        ::ioctl(held_, TIOCNXCL);
        ::tcflush(held_, TCIOFLUSH);
        connected_ = false;
    }
    return connected_;
}

bool PtyPort::OthersHoldIt() const {
    // Notices of several opens can merge, so count the holders instead.
    DIR* proc = ::opendir("/proc");
    if (!proc) return true;
    const pid_t self = ::getpid();
    bool found = false;
    char link[PATH_MAX];
    while (!found) {
        dirent* p = ::readdir(proc);
        if (!p) break;
        char* end = nullptr;
        long pid = std::strtol(p->d_name, &end, 10);
        if (end == p->d_name || *end != '\0') continue;
        std::string fdDir = std::string("/proc/") + p->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds) continue;
        while (dirent* f = ::readdir(fds)) {
            long fd = std::strtol(f->d_name, &end, 10);
            if (end == f->d_name || *end != '\0') continue;
            if (pid == self && (fd == held_ || fd == master_)) continue;
            std::string entry = fdDir + "/" + f->d_name;
            ssize_t len = ::readlink(entry.c_str(), link, sizeof link - 1);
            if (len <= 0) continue;
            link[len] = '\0';
            if (path_ == link) {
                found = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return found;
}

}  // namespace plyx::sim
