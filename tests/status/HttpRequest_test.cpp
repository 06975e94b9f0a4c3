#include "status/HttpRequest.h"

#include <gtest/gtest.h>

using namespace plyx::status;

TEST(HttpRequestHead, ReadsWhatAClientSendsAndRefusesTheRest) {
    struct Case {
        std::string bytes;
        HeadStatus status;
        const char* method;
        const char* path;
    };
    const std::string big(9000, 'a');
    const Case cases[] = {
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", HeadStatus::Complete, "GET", "/"},
        {"GET /metrics HTTP/1.0\n\n", HeadStatus::Complete, "GET", "/metrics"},
        {"GET /status.json?t=1 HTTP/1.1\r\nAccept: */*\r\nUser-Agent: caf\xC3\xA9\r\n\r\n", HeadStatus::Complete, "GET",
         "/status.json"},
        {"\r\nGET / HTTP/1.1\r\n\r\n", HeadStatus::Complete, "GET", "/"},
        {"POST / HTTP/1.1\r\nContent-Length: 0\r\n\r\n", HeadStatus::Complete, "POST", "/"},
        {"GET / HTTP/1.1\r\nHost: x\r\n", HeadStatus::Incomplete, "", ""},
        {"GET / HTT", HeadStatus::Incomplete, "", ""},
        {"", HeadStatus::Incomplete, "", ""},
        {"GET / HTTP/1.1\r\nX: " + big + "\r\n\r\n", HeadStatus::TooLarge, "", ""},
        {"GET /" + big, HeadStatus::TooLarge, "", ""},
        {"GET / HTTP/2.0\r\n\r\n", HeadStatus::Bad, "", ""},
        {"GET  / HTTP/1.1\r\n\r\n", HeadStatus::Bad, "", ""},
        {"GET http://x/ HTTP/1.1\r\n\r\n", HeadStatus::Bad, "", ""},
        {"G(T / HTTP/1.1\r\n\r\n", HeadStatus::Bad, "", ""},
        {"GET /a\x01 HTTP/1.1\r\n\r\n", HeadStatus::Bad, "", ""},
        {"GET / HTTP/1.1\r\nNoColon\r\n\r\n", HeadStatus::Bad, "", ""},
        {"GET / HTTP/1.1\r\nA: b\r\n folded\r\n\r\n", HeadStatus::Bad, "", ""},
        {"GET / HTTP/1.1\r\nA: b\x7f\r\n\r\n", HeadStatus::Bad, "", ""},
        {"POST / HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello", HeadStatus::Bad, "", ""},
        {"POST / HTTP/1.1\r\ntransfer-encoding: chunked\r\n\r\n", HeadStatus::Bad, "", ""},
        {"\r\n\r\n\r\nGET / HTTP/1.1\r\n\r\n", HeadStatus::Bad, "", ""},
    };
    for (const Case& c : cases) {
        const HeadResult r = ParseRequestHead(c.bytes, 8192);
        EXPECT_EQ(r.status, c.status) << c.bytes.substr(0, 60);
        if (c.status != HeadStatus::Complete) continue;
        EXPECT_EQ(r.request.method, c.method);
        EXPECT_EQ(r.request.path, c.path);
        EXPECT_EQ(c.bytes.substr(r.headBytes), c.bytes.find("hello") == std::string::npos ? "" : "hello");
    }
}

TEST(HttpRequestHead, TheLimitCountsTheWholeHeadAndNoMore) {
    const std::string head = "GET / HTTP/1.1\r\nX: " + std::string(100, 'y') + "\r\n\r\n";
    EXPECT_EQ(ParseRequestHead(head, head.size()).status, HeadStatus::Complete);
    EXPECT_EQ(ParseRequestHead(head, head.size() - 1).status, HeadStatus::TooLarge);
    // Whatever follows a head within the limit is no part of it.
    EXPECT_EQ(ParseRequestHead(head + std::string(50000, 'z'), head.size()).status, HeadStatus::Complete);
    std::string many = "GET / HTTP/1.1\r\n";
    for (std::size_t i = 0; i <= kMaxHeaderLines; ++i) many += "A: b\r\n";
    EXPECT_EQ(ParseRequestHead(many + "\r\n", 1 << 20).status, HeadStatus::Bad);
}
