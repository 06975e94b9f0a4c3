// The status server's request head: ParseRequestHead on any bytes (the
// first byte chooses the size limit), then the answer the server would give.
#include <cstdint>
#include <string>
#include <string_view>

#include "status/HttpRequest.h"
#include "status/StatusRoutes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t limit = 16 + static_cast<std::size_t>(data[0]) * 32;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    using plyx::status::HeadStatus;
    const plyx::status::HeadResult r = plyx::status::ParseRequestHead(bytes, limit);
    switch (r.status) {
        case HeadStatus::Incomplete:
            if (bytes.size() >= limit) __builtin_trap();
            break;
        case HeadStatus::TooLarge:
            if (bytes.size() < limit) __builtin_trap();
            break;
        case HeadStatus::Complete: {
            if (r.headBytes > limit || r.headBytes > bytes.size()) __builtin_trap();
            const std::string& path = r.request.path;
            if (path.empty() || path[0] != '/' || path.find('?') != std::string::npos) __builtin_trap();
            for (char c : r.request.target)
                if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) __builtin_trap();
            // The head alone reads the same as with what followed it.
            const plyx::status::HeadResult again = plyx::status::ParseRequestHead(bytes.substr(0, r.headBytes), limit);
            if (again.status != HeadStatus::Complete || again.headBytes != r.headBytes ||
                again.request.target != r.request.target || again.request.method != r.request.method)
                __builtin_trap();
            break;
        }
        case HeadStatus::Bad: break;
    }
    static plyx::status::StatusPublisher publisher;
    static plyx::status::StatusRoutes routes(publisher);
    const plyx::status::Response answer = routes.Answer(r);
    if (!answer.body) __builtin_trap();
    switch (answer.code) {
        case 200:
            // Only GET of the three pages is answered.
            if (r.request.method != "GET" ||
                (r.request.path != "/" && r.request.path != "/metrics" && r.request.path != "/status.json"))
                __builtin_trap();
            break;
        case 400: case 404: case 405: case 431: break;
        default: __builtin_trap();
    }
    return 0;
}
