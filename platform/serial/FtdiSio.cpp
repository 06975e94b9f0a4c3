#include "platform/serial/FtdiSio.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace plyx::platform::serial {
namespace {

// The n of "ttyUSBn" (digits only, checked by the caller); held to int, as
// atoi's overflow would be undefined.
int UsbIndex(const std::string& tty) {
    return static_cast<int>(std::clamp(std::strtol(tty.c_str() + 6, nullptr, 10), 0L, static_cast<long>(INT_MAX)));
}

std::string LinkBaseName(const std::string& path) {
    char buf[PATH_MAX];
    ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string target(buf, static_cast<std::size_t>(n));
    std::size_t slash = target.rfind('/');
    return slash == std::string::npos ? target : target.substr(slash + 1);
}

}  // namespace

int FtdiSio::ListDevices() {
    ttys_.clear();
    std::string dir = paths_.sysRoot + "/class/tty";
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return errno == ENOENT ? 0 : -1;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name.size() < 7 || name.compare(0, 6, "ttyUSB") != 0) continue;
        if (name.find_first_not_of("0123456789", 6) != std::string::npos) continue;
        if (LinkBaseName(dir + "/" + name + "/device/driver") == "ftdi_sio") ttys_.push_back(name);
    }
    ::closedir(d);
    std::sort(ttys_.begin(), ttys_.end(),
              [](const std::string& a, const std::string& b) { return UsbIndex(a) < UsbIndex(b); });
    return static_cast<int>(ttys_.size());
}

std::string FtdiSio::DevicePath(int index) {
    if (index < 0 || index >= static_cast<int>(ttys_.size())) return {};
    return paths_.devRoot + "/" + ttys_[static_cast<std::size_t>(index)];
}

bool FtdiSio::ComNumber(int index, std::int32_t& number) {
    std::string dev = DevicePath(index);
    if (dev.empty()) return false;
    int n = ComNumberOfDevice(dev, paths_);
    if (n < 0) return false;
    number = n;
    return true;
}

std::string FtdiSio::LatencyFile(int index) const {
    return paths_.sysRoot + "/bus/usb-serial/devices/" + ttys_[static_cast<std::size_t>(index)] + "/latency_timer";
}

bool FtdiSio::LatencyTimer(int index, std::uint8_t& ms) {
    if (index < 0 || index >= static_cast<int>(ttys_.size())) return false;
    int fd = ::open(LatencyFile(index).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[16] = {};
    ssize_t n;
    do {
        n = ::read(fd, buf, sizeof buf - 1);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0 || buf[0] < '0' || buf[0] > '9') return false;
    long v = std::strtol(buf, nullptr, 10);
    if (v < 0 || v > 255) return false;
    ms = static_cast<std::uint8_t>(v);
    return true;
}

bool FtdiSio::SetLatencyTimer(int index, TtyPort& port, std::uint8_t ms) {
    if (index < 0 || index >= static_cast<int>(ttys_.size())) return false;
    bool done = false;
    if (ms <= 1) {
        serial_struct ss{};
        if (::ioctl(port.Fd(), TIOCGSERIAL, &ss) == 0) {
            ss.flags |= ASYNC_LOW_LATENCY;
            done = ::ioctl(port.Fd(), TIOCSSERIAL, &ss) == 0;
        }
    }
    int fd = ::open(LatencyFile(index).c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd >= 0) {
        std::string text = std::to_string(ms);
        ssize_t n;
        do {
            n = ::write(fd, text.data(), text.size());
        } while (n < 0 && errno == EINTR);
        if (n == static_cast<ssize_t>(text.size())) done = true;
        ::close(fd);
    }
    return done;
}

}  // namespace plyx::platform::serial
