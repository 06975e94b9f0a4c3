#include "status/HttpRequest.h"

#include <algorithm>

namespace plyx::status {
namespace {

bool IsTokenChar(unsigned char c) {
    if (c >= '0' && c <= '9') return true;
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsToken(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return IsTokenChar(static_cast<unsigned char>(c)); });
}

// Visible ASCII, no blanks: what a request target is made of.
bool IsTargetChar(unsigned char c) { return c > 0x20 && c < 0x7F; }

// Field values: visible characters, blanks and tabs, and bytes of other
// encodings; never a control character.
bool IsValueChar(unsigned char c) { return c == '\t' || (c >= 0x20 && c != 0x7F); }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The next line (without its end) from pos, or npos when no line end follows.
std::size_t LineEnd(std::string_view bytes, std::size_t pos, std::string_view* line, std::size_t* next) {
    const std::size_t lf = bytes.find('\n', pos);
    if (lf == std::string_view::npos) return std::string_view::npos;
    std::size_t end = lf;
    if (end > pos && bytes[end - 1] == '\r') --end;
    *line = bytes.substr(pos, end - pos);
    *next = lf + 1;
    return lf;
}

bool ParseRequestLine(std::string_view line, HttpRequest* r) {
    const std::size_t sp1 = line.find(' ');
    if (sp1 == std::string_view::npos) return false;
    const std::size_t sp2 = line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line.find(' ', sp2 + 1) != std::string_view::npos) return false;
    const std::string_view method = line.substr(0, sp1);
    const std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string_view version = line.substr(sp2 + 1);
    if (!IsToken(method)) return false;
    if (target.empty() || target.front() != '/') return false;
    if (!std::all_of(target.begin(), target.end(), [](char c) { return IsTargetChar(static_cast<unsigned char>(c)); }))
        return false;
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return false;
    r->method = std::string(method);
    r->target = std::string(target);
    r->path = std::string(target.substr(0, target.find('?')));
    r->minorVersion = version.back() - '0';
    return true;
}

bool ParseHeaderLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) return false;
    const std::string_view value = line.substr(colon + 1);
    if (!std::all_of(value.begin(), value.end(), [](char c) { return IsValueChar(static_cast<unsigned char>(c)); }))
        return false;
    // The server reads no body: a request that brings one is refused rather
    // than left half read on the connection.
    const std::string_view name = line.substr(0, colon);
    if (EqualsNoCase(name, "Transfer-Encoding")) return false;
    if (EqualsNoCase(name, "Content-Length") && TrimBlanks(value) != "0") return false;
    return true;
}

}  // namespace

HeadResult ParseRequestHead(std::string_view bytes, std::size_t maxHeadBytes) {
    HeadResult result;
    // Only the bytes within the limit count; one more tells "too large".
    const std::string_view window = bytes.substr(0, std::min(bytes.size(), maxHeadBytes));
    std::string_view line;
    std::size_t pos = 0;
    std::size_t next = 0;
    // Empty lines before the request line are allowed (a client's leftover CR LF).
    std::size_t skipped = 0;
    for (;;) {
        if (LineEnd(window, pos, &line, &next) == std::string_view::npos) {
            result.status = bytes.size() >= maxHeadBytes ? HeadStatus::TooLarge : HeadStatus::Incomplete;
            return result;
        }
        if (!line.empty()) break;
        if (++skipped > 2) {
            result.status = HeadStatus::Bad;
            return result;
        }
        pos = next;
    }
    if (!ParseRequestLine(line, &result.request)) {
        result.status = HeadStatus::Bad;
        return result;
    }
    std::size_t headers = 0;
    for (;;) {
        pos = next;
        if (LineEnd(window, pos, &line, &next) == std::string_view::npos) {
            result.status = bytes.size() >= maxHeadBytes ? HeadStatus::TooLarge : HeadStatus::Incomplete;
            return result;
        }
        if (line.empty()) break;
        // A folded line (a blank first, obsolete and a known way to smuggle)
        // fails too: a blank is no part of a field name.
        if (++headers > kMaxHeaderLines || !ParseHeaderLine(line)) {
            result.status = HeadStatus::Bad;
            return result;
        }
    }
    result.status = HeadStatus::Complete;
    result.headBytes = next;
    return result;
}

}  // namespace plyx::status
