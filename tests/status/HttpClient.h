#pragma once
// A plain client for the status server's tests: one connection, bytes as
// given, the answer read to the server's close.
#include <cstdint>
#include <string>

namespace plyx::status::test {

struct Answer {
    int code = 0;  // 0: no status line came (closed or reset)
    std::string head;
    std::string body;
};

// A connected socket to 127.0.0.1:port (blocking), or -1.
int Connect(std::uint16_t port);
// Sends all of bytes (false when the server has closed).
bool SendAll(int fd, const std::string& bytes);
// Reads to the end (at most timeoutMs) and closes fd.
Answer ReadAnswer(int fd, int timeoutMs = 10000);
// Connect, send, read.
Answer Request(std::uint16_t port, const std::string& bytes);
inline Answer Get(std::uint16_t port, const std::string& path) {
    return Request(port, "GET " + path + " HTTP/1.1\r\nHost: test\r\n\r\n");
}

}  // namespace plyx::status::test
