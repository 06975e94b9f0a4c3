#pragma once
// The program's side of the simulator's line, opened by path the way the
// program opens a port, with small real time limits.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace plyx::sim::test {

class ProgramEnd {
public:
    explicit ProgramEnd(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ >= 0) {
            termios t{};
            tcgetattr(fd_, &t);
            cfmakeraw(&t);
            t.c_cflag |= CLOCAL | CREAD;
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~ProgramEnd() {
        if (fd_ >= 0) ::close(fd_);
    }
    ProgramEnd(const ProgramEnd&) = delete;
    ProgramEnd& operator=(const ProgramEnd&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void Send(const std::string& bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    // Reads up to and including the first "*" or "~", each byte within
    // perByteMs; returns what arrived (possibly incomplete).
    std::string ReadReply(int perByteMs = 1000) {
        std::string out;
        for (;;) {
            int c = ReadByte(perByteMs);
            if (c < 0) return out;
            out.push_back(static_cast<char>(c));
            if (c == '*' || c == '~') return out;
        }
    }
    std::string Ask(const std::string& bytes, int perByteMs = 1000) {
        Send(bytes);
        return ReadReply(perByteMs);
    }
    // Everything that arrives within ms.
    std::string ReadFor(int ms) {
        std::string out;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return out;
            int c = ReadByte(static_cast<int>(left.count()));
            if (c < 0) return out;
            out.push_back(static_cast<char>(c));
        }
    }
    // -1 on time-out, -2 on end of line (EOF, EIO or hang-up).
    int ReadByte(int ms) {
        pollfd p{fd_, POLLIN, 0};
        int r = ::poll(&p, 1, ms);
        if (r == 0) return -1;
        if (r < 0) return -2;
        unsigned char c;
        ssize_t n = ::read(fd_, &c, 1);
        if (n == 1) return c;
        return -2;
    }

private:
    int fd_ = -1;
};

}  // namespace plyx::sim::test
