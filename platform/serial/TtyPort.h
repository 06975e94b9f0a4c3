#pragma once
// One Linux serial device (a tty, USB adapter or pseudo-terminal) opened
// exclusively, raw 8N1, read one byte at a time with a millisecond limit.
// Every call reports failure with the errno value it saw; EINTR is retried.
#include <cstddef>
#include <cstdint>
#include <string>

namespace plyx::platform::serial {

enum class ReadResult {
    kByte,     // a byte was read
    kTimeout,  // nothing arrived within the limit
    kGone,     // the device has gone away (end of file, hang-up, EIO, unplugged)
    kError,    // any other failure (errno in LastErrno)
};

class TtyPort {
public:
    TtyPort() = default;
    ~TtyPort();
    TtyPort(const TtyPort&) = delete;
    TtyPort& operator=(const TtyPort&) = delete;

    // Opens read/write, no controlling tty, close-on-exec, then claims the
    // device for this process alone (TIOCEXCL and an advisory lock, which
    // also holds against processes that may ignore TIOCEXCL). Sets raw
    // 8N1 with the receiver on and no flow control. False with LastErrno
    // (EBUSY when another program holds the port).
    bool Open(const std::string& devicePath);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    // Any rate: the standard ones through termios, others through termios2.
    bool SetRate(std::int32_t rate);
    // Raw 8 data bits, no parity, one stop bit, no flow control.
    bool SetLineFormat8N1();

    // One byte within ms milliseconds, counted on a steady clock.
    ReadResult ReadByte(unsigned char& ch, std::int32_t ms);
    // Writes all n bytes (short writes are continued); returns the count
    // written, -1 on failure.
    std::ptrdiff_t Write(const unsigned char* data, std::size_t n);
    // Bytes still waiting in the driver's transmit queue.
    bool OutputQueueCount(std::int32_t& count);
    // Waits until everything written has left (tcdrain).
    bool Drain();
    // Discards received, unread bytes (also those read ahead here).
    bool PurgeInput();

    int LastErrno() const { return lastErrno_; }
    // A short hint for the operator about LastErrno ("port in use", ...).
    std::string LastErrorHint() const;

private:
    bool Fail(int err);
    int fd_ = -1;
    int lastErrno_ = 0;
    // Bytes read from the device ahead of the caller: one system call can
    // fetch a whole reply while callers still take one byte at a time.
    unsigned char inBuf_[256];
    std::size_t inPos_ = 0;
    std::size_t inLen_ = 0;
};

// Sets a rate that termios has no constant for (termios2 / BOTHER).
bool SetCustomRate(int fd, std::int32_t rate, int& err);

// The termios speed constant of a standard rate, 0 when it has none.
unsigned StandardSpeedOf(std::int32_t rate);

// A hint for the operator about an errno value from opening or using a port.
std::string SerialErrorHint(int err);

}  // namespace plyx::platform::serial
