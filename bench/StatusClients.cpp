// bench_status_clients: many clients of one status page, each asking as
// fast as it can (a connection per request, the pages in turn) until the
// time is up or SIGTERM/SIGINT; prints one line of key=value figures.
//
//   bench_status_clients --port P [--clients N] [--seconds S]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<bool> stop{false};

struct Tally {
    std::uint64_t ok = 0, busy = 0, failed = 0, bytes = 0;
    std::vector<std::uint32_t> micros;  // of the answered requests
};

void Client(std::uint16_t port, int id, Tally* t) {
    static const char* const kPaths[] = {"/status.json", "/metrics", "/"};
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (unsigned n = static_cast<unsigned>(id); !stop; ++n) {
        const auto t0 = std::chrono::steady_clock::now();
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        timeval limit{1, 0};  // a stop is seen within a second
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        std::string answer;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
            const std::string req = std::string("GET ") + kPaths[n % 3] + " HTTP/1.1\r\nHost: bench\r\n\r\n";
            if (::send(fd, req.data(), req.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(req.size())) {
                char buf[16384];
                ssize_t got;
                while ((got = ::recv(fd, buf, sizeof buf, 0)) > 0) answer.append(buf, static_cast<std::size_t>(got));
            }
        }
        ::close(fd);
        if (answer.rfind("HTTP/1.1 200", 0) == 0) {
            ++t->ok;
            t->bytes += answer.size();
            t->micros.push_back(static_cast<std::uint32_t>(
                std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count()));
        } else if (answer.rfind("HTTP/1.1 503", 0) == 0) {
            ++t->busy;
        } else if (!stop) {
            ++t->failed;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    int port = 0, clients = 200;
    double seconds = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--port") port = std::atoi(argv[i + 1]);
        else if (a == "--clients") clients = std::atoi(argv[i + 1]);
        else if (a == "--seconds") seconds = std::atof(argv[i + 1]);
        else {
            std::fprintf(stderr, "bench_status_clients: unknown option %s\n", a.c_str());
            return 2;
        }
    }
    if (port <= 0 || port > 65535 || clients <= 0) {
        std::fprintf(stderr, "bench_status_clients: --port P [--clients N] [--seconds S]\n");
        return 2;
    }
    std::signal(SIGTERM, [](int) { stop = true; });
    std::signal(SIGINT, [](int) { stop = true; });
    std::vector<Tally> tallies(static_cast<std::size_t>(clients));
    std::vector<std::thread> threads;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < clients; ++i)
        threads.emplace_back(Client, static_cast<std::uint16_t>(port), i, &tallies[static_cast<std::size_t>(i)]);
    while (!stop && std::chrono::steady_clock::now() - t0 < std::chrono::duration<double>(seconds))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop = true;
    for (std::thread& t : threads) t.join();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    Tally all;
    for (const Tally& t : tallies) {
        all.ok += t.ok;
        all.busy += t.busy;
        all.failed += t.failed;
        all.bytes += t.bytes;
        all.micros.insert(all.micros.end(), t.micros.begin(), t.micros.end());
    }
    std::sort(all.micros.begin(), all.micros.end());
    auto pct = [&](double p) {
        return all.micros.empty() ? 0u : all.micros[static_cast<std::size_t>(p * static_cast<double>(all.micros.size() - 1))];
    };
    std::printf("clients=%d wall_s=%.1f answered=%llu busy=%llu failed=%llu per_s=%.0f mb=%.1f "
                "latency_ms_p50=%.2f p99=%.2f max=%.2f\n",
                clients, wall, static_cast<unsigned long long>(all.ok), static_cast<unsigned long long>(all.busy),
                static_cast<unsigned long long>(all.failed), static_cast<double>(all.ok + all.busy) / wall,
                static_cast<double>(all.bytes) / 1e6, pct(0.5) / 1000.0, pct(0.99) / 1000.0,
                all.micros.empty() ? 0.0 : all.micros.back() / 1000.0);
    return 0;
}
