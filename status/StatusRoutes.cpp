#include "status/StatusRoutes.h"

#include "status/Metrics.h"
#include "status/StatusJson.h"
#include "status/StatusPage.h"

namespace plyx::status {
namespace {

const char* Reason(int code) {
    switch (code) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 408: return "Request Timeout";
        case 431: return "Request Header Fields Too Large";
        case 503: return "Service Unavailable";
        default: return "Error";
    }
}

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
    return -1;
}

// A path that climbs (".." as a segment, also percent-encoded) is refused
// outright, though no path here names a file.
bool Climbs(std::string_view path) {
    std::string decoded;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size() && Hex(path[i + 1]) >= 0 && Hex(path[i + 2]) >= 0) {
            decoded += static_cast<char>(Hex(path[i + 1]) * 16 + Hex(path[i + 2]));
            i += 2;
            continue;
        }
        decoded += path[i];
    }
    for (std::string_view p : {std::string_view(path), std::string_view(decoded)}) {
        std::size_t start = 0;
        while (start <= p.size()) {
            std::size_t end = p.find_first_of("/\\", start);
            if (end == std::string_view::npos) end = p.size();
            if (p.substr(start, end - start) == "..") return true;
            start = end + 1;
        }
    }
    return false;
}

}  // namespace

std::string ResponseHead(const Response& r, std::size_t bodyBytes) {
    std::string h = "HTTP/1.1 " + std::to_string(r.code) + " " + Reason(r.code) + "\r\n";
    h += "Content-Type: ";
    h += r.contentType;
    h += "\r\nContent-Length: " + std::to_string(bodyBytes) + "\r\n";
    if (r.allowGet) h += "Allow: GET\r\n";
    // Every answer is the state of a moment; the page runs only its own script.
    h += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n"
         "Content-Security-Policy: default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
         "connect-src 'self'; img-src 'none'; frame-ancestors 'none'\r\n"
         "Connection: close\r\n\r\n";
    return h;
}

Response StatusRoutes::Refusal(int code) {
    Response r;
    r.code = code;
    r.allowGet = code == 405;
    r.body = std::make_shared<const std::string>(std::to_string(code) + " " + Reason(code) + "\n");
    return r;
}

void StatusRoutes::Refresh() {
    std::uint64_t version = 0;
    std::shared_ptr<const StatusSnapshot> current = publisher_.Current(&version);
    if (version == version_ && snapshot_) return;
    version_ = version;
    snapshot_ = std::move(current);
    metrics_.reset();
    json_.reset();
    page_.reset();
}

Response StatusRoutes::Answer(const HeadResult& head) {
    if (head.status == HeadStatus::TooLarge) return Refusal(431);
    if (head.status != HeadStatus::Complete) return Refusal(400);
    const HttpRequest& req = head.request;
    if (Climbs(req.path)) return Refusal(400);
    if (req.method != "GET") return Refusal(405);
    Refresh();
    Response r;
    if (req.path == "/metrics") {
        if (!metrics_) metrics_ = std::make_shared<const std::string>(MetricsText(*snapshot_));
        r.contentType = kMetricsContentType;
        r.body = metrics_;
    } else if (req.path == "/status.json") {
        if (!json_) json_ = std::make_shared<const std::string>(StatusJson(*snapshot_));
        r.contentType = "application/json";
        r.body = json_;
    } else if (req.path == "/") {
        if (!page_) page_ = std::make_shared<const std::string>(StatusPage(*snapshot_));
        r.contentType = "text/html; charset=utf-8";
        r.body = page_;
    } else {
        return Refusal(404);
    }
    return r;
}

}  // namespace plyx::status
