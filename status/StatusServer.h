#pragma once
// A small HTTP server of its own for one instance's status: GET only, one
// request per connection, on a thread of its own that reads snapshots and
// never calls into the program. Whatever its audience does (slow, hostile
// or many), it holds at most maxConnections connections, reads at most
// maxRequestBytes of a request head, gives each connection requestMillis
// from accept to its last byte, and takes at most acceptsPerSecond new
// connections (in bursts of acceptBurst): the rest wait in the kernel's
// queue, so a crowd asking as fast as it can waits instead of spinning.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "status/ListenAddress.h"
#include "status/StatusPublisher.h"

namespace plyx::status {

struct ServerLimits {
    std::size_t maxConnections = 32;
    std::size_t maxRequestBytes = 8192;
    int requestMillis = 5000;
    int niceness = 10;  // the thread's nice value: the run's thread comes first
    double acceptsPerSecond = 1000;
    double acceptBurst = 64;
};

// What the server has done since it started (read by tests and benchmarks).
struct ServerCounts {
    std::uint64_t answered = 0;    // 200
    std::uint64_t refused = 0;     // 400, 404, 405, 431
    std::uint64_t busy = 0;        // 503: every connection was taken
    std::uint64_t timedOut = 0;    // the request or the answer took too long
};

class StatusServer {
public:
    explicit StatusServer(const StatusPublisher& publisher, ServerLimits limits = {});
    ~StatusServer();
    StatusServer(const StatusServer&) = delete;
    StatusServer& operator=(const StatusServer&) = delete;

    // Binds and listens on address and starts the thread; false (why says
    // why, e.g. "Address already in use") when the address cannot be had.
    bool Start(const ListenAddress& address, std::string* why);
    // Ends the thread and closes every connection; also done on destruction.
    void Stop();
    bool Running() const { return thread_.joinable(); }
    // The port listened on (the one chosen, for port 0).
    std::uint16_t Port() const { return port_; }
    ServerCounts Counts() const;

private:
    void Loop();

    const StatusPublisher& publisher_;
    const ServerLimits limits_;
    int listenFd_ = -1;
    int wakeFd_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<std::uint64_t> answered_{0}, refused_{0}, busy_{0}, timedOut_{0};
};

}  // namespace plyx::status
