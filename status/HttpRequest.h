#pragma once
// The head of one HTTP/1.x request, read from untrusted bytes: the request
// line and the header lines up to the empty line. Nothing past the head is
// read; the server answers one request per connection.
#include <cstddef>
#include <string>
#include <string_view>

namespace plyx::status {

struct HttpRequest {
    std::string method;
    std::string target;  // as sent: origin form, "/path?query"
    std::string path;    // the target up to "?"
    int minorVersion = 1;
};

enum class HeadStatus {
    Incomplete,  // no end of the head yet, within the limit
    Complete,
    Bad,       // 400: not a request this server reads
    TooLarge,  // 431: the head runs past the limit
};

struct HeadResult {
    HeadStatus status = HeadStatus::Incomplete;
    HttpRequest request;       // when Complete
    std::size_t headBytes = 0;  // when Complete: bytes up to and including the empty line
};

inline constexpr std::size_t kMaxHeaderLines = 100;

// Reads the head at the start of bytes. A head (empty line included) longer
// than maxHeadBytes is TooLarge, however the bytes go on. Lines end in
// CR LF or LF. A request with a body (Content-Length other than 0, or
// Transfer-Encoding), folded header lines, control characters, or more
// than kMaxHeaderLines header lines is Bad.
HeadResult ParseRequestHead(std::string_view bytes, std::size_t maxHeadBytes);

}  // namespace plyx::status
