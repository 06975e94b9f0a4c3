#include "bench/BareReplay.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <stdexcept>

#include "bench/CpuTime.h"
#include "bench/PtyResponder.h"

namespace plyx::bench {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

void WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("bare replay: write failed");
        done += static_cast<size_t>(n);
    }
}

// Every reply of the board ends with "*" or "~".
void ReadReplies(int fd, int replies) {
    char buf[256];
    while (replies > 0) {
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, 1000);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) throw std::runtime_error("bare replay: no reply within a second");
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("bare replay: the line closed");
        for (ssize_t i = 0; i < n; ++i)
            if (buf[i] == '*' || buf[i] == '~') --replies;
    }
}

}  // namespace

BareTimes BareReplay(const std::string& device, const std::vector<sim::Simulator::Exchange>& exchanges,
                     int pauseMs) {
    Fd fd(OpenRaw(device));
    if (fd.get() < 0) throw std::runtime_error("bare replay: cannot open " + device);
    const auto pause = std::chrono::milliseconds(pauseMs);
    const double cpu0 = ThreadCpuSeconds();
    auto t0 = std::chrono::steady_clock::now();
    for (const auto& e : exchanges) {
        WriteAll(fd.get(), e.sent);
        ReadReplies(fd.get(), e.replies);
        if (pauseMs > 0) std::this_thread::sleep_for(pause);
    }
    BareTimes t;
    t.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    t.cpuSeconds = ThreadCpuSeconds() - cpu0;
    return t;
}

}  // namespace plyx::bench
