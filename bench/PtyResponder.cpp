#include "bench/PtyResponder.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace plyx::bench {
namespace {

[[noreturn]] void Throw(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

void MakeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
}

}  // namespace

int OpenRaw(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) MakeRaw(fd);
    return fd;
}

PtyResponder::PtyResponder(char trigger, std::string reply) : trigger_(trigger), reply_(std::move(reply)) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) Throw("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) Throw("unlockpt");
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) Throw("ptsname_r");
    path_ = name;
    MakeRaw(master_);
    held_ = OpenRaw(path_);
    if (held_ < 0) Throw("open pts");
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (stopFd_ < 0) Throw("eventfd");
    thread_ = std::thread([this] { Serve(); });
}

PtyResponder::~PtyResponder() {
    std::uint64_t one = 1;
    (void)!::write(stopFd_, &one, sizeof one);
    if (thread_.joinable()) thread_.join();
    ::close(stopFd_);
    ::close(held_);
    ::close(master_);
}

void PtyResponder::Serve() {
    std::string out;
    char buf[512];
    for (;;) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & POLLIN) == 0) {
            // Nobody has the program end open (between two opens): wait a little.
            if (fds[0].revents != 0) ::usleep(1000);
            continue;
        }
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) continue;
        out.clear();
        for (ssize_t i = 0; i < n; ++i)
            if (buf[i] == trigger_) out += reply_;
        if (!out.empty()) (void)!::write(master_, out.data(), out.size());
    }
}

}  // namespace plyx::bench
