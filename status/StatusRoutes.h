#pragma once
// What the status server answers to one request head: the three pages for
// GET, a refusal for anything else. Nothing here starts, stops or changes
// anything, and no path names a file.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "status/HttpRequest.h"
#include "status/StatusPublisher.h"

namespace plyx::status {

struct Response {
    int code = 200;
    std::string_view contentType = "text/plain; charset=utf-8";
    std::shared_ptr<const std::string> body;
    bool allowGet = false;  // 405: says which method is allowed
};

// The status line and headers of a response with a body of bodyBytes.
std::string ResponseHead(const Response& r, std::size_t bodyBytes);

// Answers from the publisher's current snapshot; keeps each page made from
// one snapshot until the next is published. Used by one thread only.
class StatusRoutes {
public:
    explicit StatusRoutes(const StatusPublisher& publisher) : publisher_(publisher) {}
    Response Answer(const HeadResult& head);
    // A refusal with a short text body (400, 404, 405, 408, 431, 503).
    static Response Refusal(int code);

private:
    void Refresh();

    const StatusPublisher& publisher_;
    std::uint64_t version_ = ~std::uint64_t{0};
    std::shared_ptr<const StatusSnapshot> snapshot_;
    std::shared_ptr<const std::string> metrics_, json_, page_;
};

}  // namespace plyx::status
