#include "platform/serial/TtyPort.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace plyx::platform::serial {
namespace {

using SteadyClock = std::chrono::steady_clock;

// How long a write may wait for the driver to take bytes.
constexpr int kWriteStallMs = 10000;

struct RateEntry {
    std::int32_t rate;
    speed_t speed;
};

constexpr RateEntry kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

}  // namespace

unsigned StandardSpeedOf(std::int32_t rate) {
    for (const RateEntry& e : kRates)
        if (e.rate == rate) return e.speed;
    return 0;
}

std::string SerialErrorHint(int err) {
    switch (err) {
        case 0: return {};
        case EBUSY:
        case EWOULDBLOCK:
            return "port in use by another program: close that program or choose another port";
        case ENOENT: return "no such device: check the port number and that the adapter is plugged in";
        case ENODEV:
        case ENXIO: return "no such device (unplugged?): plug the adapter in and try again";
        case EACCES:
        case EPERM: return "permission denied: add the user to the dialout group and log in again";
        case EIO: return "input/output error: the device was unplugged or switched off";
        case ENOTTY: return "not a serial device";
        case EINVAL: return "the device does not support this setting";
        case ETIMEDOUT: return "the device stopped taking data: check the cable and the controller";
        default: return std::strerror(err);
    }
}

TtyPort::~TtyPort() { Close(); }

bool TtyPort::Fail(int err) {
    lastErrno_ = err;
    return false;
}

std::string TtyPort::LastErrorHint() const { return SerialErrorHint(lastErrno_); }

bool TtyPort::Open(const std::string& devicePath) {
    Close();
    lastErrno_ = 0;
    if (devicePath.empty()) return Fail(ENOENT);
    int fd;
    // Non-blocking: a port without carrier cannot hold up the open, and a
    // device that stops taking bytes cannot hold up a write for ever.
    do {
        fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Fail(errno);
    auto fail = [&](int err) {
        ::close(fd);
        return Fail(err);
    };
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    if (::ioctl(fd, TIOCEXCL) != 0) return fail(errno);
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return fail(errno);
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSTOPB | PARENB);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    do {
        rc = ::tcsetattr(fd, TCSANOW, &tio);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return fail(errno);
    fd_ = fd;
    inPos_ = inLen_ = 0;
    return true;
}

void TtyPort::Close() {
    if (fd_ < 0) return;
    // Give up exclusivity first: another opener of this tty may still hold it.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // not retried on EINTR: the descriptor is gone on Linux
    fd_ = -1;
    inPos_ = inLen_ = 0;
}

bool TtyPort::SetLineFormat8N1() {
    if (fd_ < 0) return Fail(EBADF);
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return Fail(errno);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    int rc;
    do {
        rc = ::tcsetattr(fd_, TCSANOW, &tio);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? true : Fail(errno);
}

bool TtyPort::SetRate(std::int32_t rate) {
    if (fd_ < 0) return Fail(EBADF);
    if (rate <= 0) return Fail(EINVAL);
    speed_t speed = StandardSpeedOf(rate);
    if (speed == 0) {
        int err = 0;
        return SetCustomRate(fd_, rate, err) ? true : Fail(err);
    }
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return Fail(errno);
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) return Fail(errno);
    int rc;
    do {
        rc = ::tcsetattr(fd_, TCSANOW, &tio);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? true : Fail(errno);
}

ReadResult TtyPort::ReadByte(unsigned char& ch, std::int32_t ms) {
    if (inPos_ < inLen_) {
        ch = inBuf_[inPos_++];
        return ReadResult::kByte;
    }
    if (fd_ < 0) {
        lastErrno_ = EBADF;
        return ReadResult::kGone;
    }
    if (ms < 0) ms = 0;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
        if (left < 0) left = 0;
        pollfd p{fd_, POLLIN, 0};
        int rc = ::poll(&p, 1, static_cast<int>(left));
        if (rc < 0) {
            if (errno == EINTR) continue;
            lastErrno_ = errno;
            return ReadResult::kError;
        }
        if (rc == 0) {
            if (SteadyClock::now() < deadline) continue;
            return ReadResult::kTimeout;
        }
        if (p.revents & POLLNVAL) {
            lastErrno_ = EBADF;
            return ReadResult::kGone;
        }
        ssize_t n = ::read(fd_, inBuf_, sizeof inBuf_);
        if (n > 0) {
            inLen_ = static_cast<std::size_t>(n);
            inPos_ = 1;
            ch = inBuf_[0];
            return ReadResult::kByte;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n == 0) {
            // Readable (or hung up) yet nothing to read: the other end is gone.
            lastErrno_ = EIO;
            return ReadResult::kGone;
        }
        lastErrno_ = errno;
        if (errno == EIO || errno == ENXIO || errno == ENODEV || errno == EBADF) return ReadResult::kGone;
        return ReadResult::kError;
    }
}

std::ptrdiff_t TtyPort::Write(const unsigned char* data, std::size_t n) {
    if (fd_ < 0) {
        lastErrno_ = EBADF;
        return -1;
    }
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(kWriteStallMs);
    std::size_t off = 0;
    while (off < n) {
        ssize_t w = ::write(fd_, data + off, n - off);
        if (w > 0) {
            off += static_cast<std::size_t>(w);
            continue;
        }
        int err = w == 0 ? EIO : errno;
        if (err == EINTR) continue;
        if (err == EAGAIN) {
            // The driver's buffer is full: wait for room, but not for ever.
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
            if (left > 0) {
                pollfd p{fd_, POLLOUT, 0};
                int rc = ::poll(&p, 1, static_cast<int>(left));
                if (rc > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0) continue;
                if (rc > 0 || (rc < 0 && errno == EINTR)) {
                    if (rc < 0) continue;
                    err = EIO;
                } else if (rc < 0) {
                    err = errno;
                } else {
                    err = ETIMEDOUT;
                }
            } else {
                err = ETIMEDOUT;
            }
        }
        lastErrno_ = err;
        return off == 0 ? -1 : static_cast<std::ptrdiff_t>(off);
    }
    return static_cast<std::ptrdiff_t>(off);
}

bool TtyPort::OutputQueueCount(std::int32_t& count) {
    if (fd_ < 0) return Fail(EBADF);
    int n = 0;
    if (::ioctl(fd_, TIOCOUTQ, &n) != 0) return Fail(errno);
    count = n;
    return true;
}

bool TtyPort::Drain() {
    if (fd_ < 0) return Fail(EBADF);
    int rc;
    do {
        rc = ::tcdrain(fd_);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? true : Fail(errno);
}

bool TtyPort::PurgeInput() {
    inPos_ = inLen_ = 0;
    if (fd_ < 0) return Fail(EBADF);
    return ::tcflush(fd_, TCIFLUSH) == 0 ? true : Fail(errno);
}

}  // namespace plyx::platform::serial
