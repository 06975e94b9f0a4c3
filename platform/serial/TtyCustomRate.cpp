// Rates without a termios constant go through termios2 and BOTHER. The
// kernel's termbits header clashes with <termios.h>, hence this unit of
// its own.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>
#include <cstdint>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace plyx::platform::serial {

bool SetCustomRate(int fd, std::int32_t rate, int& err) {
    if (rate <= 0) {
        err = EINVAL;
        return false;
    }
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        err = errno;
        return false;
    }
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    tio.c_cflag |= BOTHER;
    tio.c_cflag &= ~static_cast<tcflag_t>(CIBAUD);
    tio.c_cflag |= BOTHER << IBSHIFT;
    tio.c_ispeed = static_cast<speed_t>(rate);
    tio.c_ospeed = static_cast<speed_t>(rate);
    int rc;
    do {
        rc = ioctl(fd, TCSETS2, &tio);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        err = errno;
        return false;
    }
    return true;
}

}  // namespace plyx::platform::serial
