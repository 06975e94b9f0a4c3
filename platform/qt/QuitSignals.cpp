#include "platform/qt/QuitSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace plyx::platform {
namespace {

volatile std::sig_atomic_t writeEnd = -1;

extern "C" void OnQuitSignal(int signo) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signo);
    if (writeEnd >= 0) (void)!::write(writeEnd, &byte, 1);  // a full pipe already holds a request
    errno = saved;
}

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

}  // namespace

QuitSignals::QuitSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        fds_[0] = fds_[1] = -1;
        return;  // the signals keep their default action
    }
    writeEnd = fds_[1];
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
    struct sigaction sa {};
    sa.sa_handler = OnQuitSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;  // the serial layer's reads and waits go on undisturbed
    for (int s : kSignals) ::sigaction(s, &sa, nullptr);
}

QuitSignals::~QuitSignals() {
    for (int s : kSignals) std::signal(s, SIG_DFL);
    writeEnd = -1;
    delete notifier_;
    for (int fd : fds_)
        if (fd >= 0) ::close(fd);
}

void QuitSignals::Drain() {
    unsigned char buf[16];
    ssize_t n;
    while ((n = ::read(fds_[0], buf, sizeof buf)) > 0)
        for (ssize_t i = 0; i < n; ++i)
            if (onSignal_) onSignal_(buf[i]);
}

}  // namespace plyx::platform
