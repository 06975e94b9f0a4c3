#include "bench/BoardControl.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace plyx::bench {

BoardControl::BoardControl(const std::string& socketPath) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof(addr.sun_path)) throw std::runtime_error("control socket path too long");
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw std::runtime_error("socket: " + std::string(std::strerror(errno)));
    // boardsim may still be starting: try for up to two seconds.
    for (int attempt = 0;; ++attempt) {
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) break;
        if (attempt >= 200) {
            ::close(fd_);
            throw std::runtime_error("cannot connect to " + socketPath + ": " + std::strerror(errno));
        }
        ::usleep(10000);
    }
}

BoardControl::~BoardControl() {
    if (fd_ >= 0) ::close(fd_);
}

std::string BoardControl::Ask(const std::string& line) {
    std::string out = line + "\n";
    for (std::size_t done = 0; done < out.size();) {
        ssize_t n = ::write(fd_, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("control socket write failed");
        done += static_cast<std::size_t>(n);
    }
    for (;;) {
        if (std::size_t eol = pending_.find('\n'); eol != std::string::npos) {
            std::string answer = pending_.substr(0, eol);
            pending_.erase(0, eol + 1);
            return answer;
        }
        char buf[4096];
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("control socket closed");
        pending_.append(buf, static_cast<std::size_t>(n));
    }
}

std::map<std::string, std::string> BoardControl::State() {
    std::map<std::string, std::string> out;
    std::istringstream in(Ask("state"));
    std::string pair;
    while (in >> pair) {
        std::size_t eq = pair.find('=');
        if (eq != std::string::npos) out[pair.substr(0, eq)] = pair.substr(eq + 1);
    }
    return out;
}

std::uint64_t StateNumber(const std::map<std::string, std::string>& state, const std::string& key) {
    auto it = state.find(key);
    if (it == state.end()) return 0;
    return std::strtoull(it->second.c_str(), nullptr, 10);
}

}  // namespace plyx::bench
