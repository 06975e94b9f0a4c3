#include "status/StatusServer.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <list>
#include <vector>

#include "status/StatusRoutes.h"

namespace plyx::status {
namespace {

using SteadyClock = std::chrono::steady_clock;

// After its answer a connection may still send what it had begun; it is
// read and dropped for this long, so that closing does not reset the
// connection under the answer.
constexpr auto kDrainTime = std::chrono::milliseconds(500);
constexpr int kAcceptsPerTurn = 64;

struct Connection {
    int fd = -1;
    SteadyClock::time_point deadline;
    enum class Phase { Reading, Writing, Draining } phase = Phase::Reading;
    std::string in;
    std::string head;
    std::shared_ptr<const std::string> body;
    std::size_t sent = 0;  // of head, then body
};

void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// One try at a short answer on a connection that is about to be closed.
void SendOnce(int fd, const Response& r) {
    const std::string text = ResponseHead(r, r.body->size()) + *r.body;
    (void)::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace

StatusServer::StatusServer(const StatusPublisher& publisher, ServerLimits limits)
    : publisher_(publisher), limits_(limits) {}

StatusServer::~StatusServer() { Stop(); }

ServerCounts StatusServer::Counts() const {
    return ServerCounts{answered_.load(), refused_.load(), busy_.load(), timedOut_.load()};
}

bool StatusServer::Start(const ListenAddress& address, std::string* why) {
    Stop();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(address.port);
    if (const int rc = ::getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found); rc != 0) {
        if (why != nullptr) *why = ::gai_strerror(rc);
        return false;
    }
    int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int err = fd < 0 ? errno : 0;
    if (fd >= 0) {
        const int one = 1;
        // Restarting the program must not wait for old connections' TIME_WAIT;
        // a second listener on the port is still refused.
        (void)::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd, found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd, 64) != 0) {
            err = errno;
            Close(fd);
        }
    }
    ::freeaddrinfo(found);
    if (fd < 0) {
        if (why != nullptr) *why = std::strerror(err);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    (void)::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len);
    port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        if (why != nullptr) *why = std::strerror(errno);
        Close(fd);
        return false;
    }
    listenFd_ = fd;
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void StatusServer::Stop() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        (void)!::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    Close(listenFd_);
    Close(wakeFd_);
}

void StatusServer::Loop() {
    // Clients wait before the machine does: this thread yields to the run's.
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), limits_.niceness);
    StatusRoutes routes(publisher_);
    std::list<Connection> conns;
    std::vector<pollfd> fds;
    std::vector<Connection*> order;
    const auto requestTime = std::chrono::milliseconds(limits_.requestMillis);

    auto answer = [&](Connection& c, const Response& r) {
        c.head = ResponseHead(r, r.body->size());
        c.body = r.body;
        c.sent = 0;
        c.phase = Connection::Phase::Writing;
        (r.code == 200 ? answered_ : refused_).fetch_add(1, std::memory_order_relaxed);
    };

    // New connections are let in as tokens come: acceptsPerSecond, at most acceptBurst at once.
    double tokens = limits_.acceptBurst;
    SteadyClock::time_point refilled = SteadyClock::now();
    for (;;) {
        const SteadyClock::time_point start = SteadyClock::now();
        tokens = std::min(limits_.acceptBurst,
                          tokens + std::chrono::duration<double>(start - refilled).count() * limits_.acceptsPerSecond);
        refilled = start;
        fds.clear();
        order.clear();
        fds.push_back({wakeFd_, POLLIN, 0});
        fds.push_back({listenFd_, static_cast<short>(tokens >= 1 ? POLLIN : 0), 0});
        SteadyClock::time_point next = SteadyClock::time_point::max();
        if (tokens < 1 && limits_.acceptsPerSecond > 0)
            next = start + std::chrono::duration_cast<SteadyClock::duration>(
                               std::chrono::duration<double>((1 - tokens) / limits_.acceptsPerSecond));
        for (Connection& c : conns) {
            fds.push_back({c.fd, static_cast<short>(c.phase == Connection::Phase::Writing ? POLLOUT : POLLIN), 0});
            order.push_back(&c);
            next = std::min(next, c.deadline);
        }
        int timeout = -1;
        if (next != SteadyClock::time_point::max()) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - SteadyClock::now()).count();
            timeout = static_cast<int>(std::clamp<long long>(wait, 0, 60000));
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) break;
        if (fds[0].revents != 0) break;

        if (fds[1].revents & POLLIN) {
            for (int i = 0; i < kAcceptsPerTurn && tokens >= 1; ++i) {
                int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd < 0) {
                    // Out of descriptors, say: the connection stays queued and
                    // readable, so the try costs a token, or the loop would spin.
                    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) tokens -= 1.0;
                    break;
                }
                tokens -= 1;
                if (conns.size() >= limits_.maxConnections) {
                    SendOnce(fd, StatusRoutes::Refusal(503));
                    busy_.fetch_add(1, std::memory_order_relaxed);
                    Close(fd);
                    continue;
                }
                Connection c;
                c.fd = fd;
                c.deadline = SteadyClock::now() + requestTime;
                conns.push_back(std::move(c));
            }
        }

        const auto now = SteadyClock::now();
        for (std::size_t i = 0; i < order.size(); ++i) {
            Connection& c = *order[i];
            const short ev = fds[i + 2].revents;
            bool done = false;
            if (c.phase == Connection::Phase::Reading && (ev & (POLLIN | POLLHUP | POLLERR))) {
                char buf[4096];
                const std::size_t room = limits_.maxRequestBytes + 1 - std::min(c.in.size(), limits_.maxRequestBytes);
                const ssize_t n = ::recv(c.fd, buf, std::min(sizeof buf, room), 0);
                if (n > 0) {
                    c.in.append(buf, static_cast<std::size_t>(n));
                    const HeadResult head = ParseRequestHead(c.in, limits_.maxRequestBytes);
                    if (head.status != HeadStatus::Incomplete) answer(c, routes.Answer(head));
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                    done = true;  // gone before its request was whole
                }
            } else if (c.phase == Connection::Phase::Writing && (ev & (POLLOUT | POLLHUP | POLLERR))) {
                iovec iov[2];
                int parts = 0;
                const std::size_t headLeft = c.sent < c.head.size() ? c.head.size() - c.sent : 0;
                if (headLeft > 0) iov[parts++] = {c.head.data() + c.sent, headLeft};
                const std::size_t bodyDone = c.sent > c.head.size() ? c.sent - c.head.size() : 0;
                if (bodyDone < c.body->size())
                    iov[parts++] = {const_cast<char*>(c.body->data()) + bodyDone, c.body->size() - bodyDone};
                msghdr msg{};
                msg.msg_iov = iov;
                msg.msg_iovlen = static_cast<std::size_t>(parts);
                const ssize_t n = parts == 0 ? 0 : ::sendmsg(c.fd, &msg, MSG_NOSIGNAL);
                if (n >= 0) {
                    c.sent += static_cast<std::size_t>(n);
                    if (c.sent >= c.head.size() + c.body->size()) {
                        ::shutdown(c.fd, SHUT_WR);
                        c.phase = Connection::Phase::Draining;
                        c.deadline = std::min(c.deadline, now + kDrainTime);
                        c.in.clear();
                        c.body.reset();
                    }
                } else if (errno != EAGAIN && errno != EINTR) {
                    done = true;
                }
            } else if (c.phase == Connection::Phase::Draining && (ev & (POLLIN | POLLHUP | POLLERR))) {
                char buf[4096];
                const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
                if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) done = true;
            }
            if (!done && now >= c.deadline) {
                if (c.phase == Connection::Phase::Reading) {
                    SendOnce(c.fd, StatusRoutes::Refusal(408));
                    timedOut_.fetch_add(1, std::memory_order_relaxed);
                } else if (c.phase == Connection::Phase::Writing) {
                    timedOut_.fetch_add(1, std::memory_order_relaxed);
                }
                done = true;
            }
            if (done) Close(c.fd);
        }
        conns.remove_if([](const Connection& c) { return c.fd < 0; });
    }
    for (Connection& c : conns) Close(c.fd);
}

}  // namespace plyx::status
