#include "tests/support/ScriptedPeer.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace plyx::test {
namespace {

[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string("ScriptedPeer: ") + what + " failed, errno " + std::to_string(errno));
}

}  // namespace

ScriptedPeer::ScriptedPeer() {
    // Non-blocking, so a peer with bytes nobody reads can still be stopped.
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0) Fail("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) Fail("grantpt/unlockpt");
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) Fail("ptsname_r");
    slavePath_ = name;
    slaveHold_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveHold_ < 0) Fail("open slave");
    // Raw at once: a cooked slave would echo and translate line ends
    // before the code under test gets to set its own mode.
    termios tio{};
    if (::tcgetattr(slaveHold_, &tio) != 0) Fail("tcgetattr");
    ::cfmakeraw(&tio);
    if (::tcsetattr(slaveHold_, TCSANOW, &tio) != 0) Fail("tcsetattr");
    if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) Fail("pipe2");
    thread_ = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    char c = 'q';
    while (::write(wakePipe_[1], &c, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    if (master_ >= 0) ::close(master_);
    if (slaveHold_ >= 0) ::close(slaveHold_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

void ScriptedPeer::When(std::string request, std::vector<PeerStep> steps, int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.push_back({std::move(request), std::move(steps), times});
}

void ScriptedPeer::SetHandler(Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    handler_ = std::move(handler);
}

void ScriptedPeer::SetEcho(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    echo_ = on;
}

void ScriptedPeer::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.clear();
    handler_ = nullptr;
    echo_ = false;
    pending_.clear();
}

void ScriptedPeer::Do(std::vector<PeerStep> steps) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queued_.push_back(std::move(steps));
    }
    char c = 'd';
    while (::write(wakePipe_[1], &c, 1) < 0 && errno == EINTR) {
    }
}

std::string ScriptedPeer::Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

std::string ScriptedPeer::TakeReceived() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string out = received_.substr(takenUpTo_);
    takenUpTo_ = received_.size();
    return out;
}

bool ScriptedPeer::WaitForReceived(const std::string& text, int ms) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return received_cv_.wait_for(lock, std::chrono::milliseconds(ms),
                                 [&] { return received_.find(text) != std::string::npos; });
}

bool ScriptedPeer::HungUp() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hungUp_;
}

void ScriptedPeer::WriteAll(const std::string& bytes) {
    std::size_t off = 0;
    while (off < bytes.size() && master_ >= 0) {
        ssize_t n = ::write(master_, bytes.data() + off, bytes.size() - off);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    if (stop_) return;
                }
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 20);
                continue;
            }
            return;  // the other side is gone; nothing more to say
        }
        off += static_cast<std::size_t>(n);
    }
}

void ScriptedPeer::HangupNow() {
    if (master_ >= 0) ::close(master_);
    if (slaveHold_ >= 0) ::close(slaveHold_);
    std::lock_guard<std::mutex> lock(mutex_);
    master_ = -1;
    slaveHold_ = -1;
    hungUp_ = true;
}

void ScriptedPeer::RunSteps(const std::vector<PeerStep>& steps) {
    for (const PeerStep& s : steps) {
        switch (s.kind) {
            case PeerStep::kSend: WriteAll(s.bytes); break;
            case PeerStep::kPause: std::this_thread::sleep_for(std::chrono::milliseconds(s.ms)); break;
            case PeerStep::kHangup: HangupNow(); return;
        }
    }
}

void ScriptedPeer::Run() {
    for (;;) {
        std::vector<std::vector<PeerStep>> todo;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_) return;
            todo.swap(queued_);
        }
        for (const auto& steps : todo) RunSteps(steps);

        pollfd fds[2] = {{wakePipe_[0], POLLIN, 0}, {master_, POLLIN, 0}};
        int nfds = master_ >= 0 ? 2 : 1;
        int rc = ::poll(fds, static_cast<nfds_t>(nfds), 200);
        if (rc < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(wakePipe_[0], drain, sizeof drain) > 0) {
            }
        }
        if (nfds < 2 || fds[1].revents == 0) continue;
        char buf[4096];
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            // EIO: no slave open at the moment; wait a little for one.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (n == 0) continue;
        for (ssize_t i = 0; i < n; ++i) {
            std::vector<PeerStep> steps;
            bool echo;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                received_ += buf[i];
                pending_ += buf[i];
                echo = echo_;
                for (Rule& r : rules_) {
                    if (r.times == 0 || pending_.size() < r.request.size()) continue;
                    if (pending_.compare(pending_.size() - r.request.size(), r.request.size(), r.request) != 0)
                        continue;
                    steps = r.steps;
                    if (r.times > 0) --r.times;
                    pending_.clear();
                    break;
                }
                if (steps.empty() && handler_) steps = handler_(pending_);
            }
            received_cv_.notify_all();
            if (echo) WriteAll(std::string(1, buf[i]));
            if (!steps.empty()) RunSteps(steps);
            if (master_ < 0) break;
        }
    }
}

}  // namespace plyx::test
