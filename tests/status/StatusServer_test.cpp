#include "status/StatusServer.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <future>
#include <thread>

#include "HttpClient.h"
#include "SampleSnapshot.h"

using namespace plyx::status;
using namespace plyx::status::test;

namespace {

class StatusServerTest : public ::testing::Test {
protected:
    void Start(ServerLimits limits = {}) {
        publisher_.Publish(SampleSnapshot());
        server_ = std::make_unique<StatusServer>(publisher_, limits);
        ListenAddress a;
        a.port = 0;
        std::string why;
        ASSERT_TRUE(server_->Start(a, &why)) << why;
        port_ = server_->Port();
        ASSERT_NE(port_, 0);
    }
    // Another client, served in full while whatever the test does goes on.
    void ExpectServed() {
        const Answer a = Get(port_, "/status.json");
        EXPECT_EQ(a.code, 200);
        EXPECT_NE(a.body.find("\"port\":\"COM3\""), std::string::npos);
    }

    StatusPublisher publisher_;
    std::unique_ptr<StatusServer> server_;
    std::uint16_t port_ = 0;
};

}  // namespace

TEST_F(StatusServerTest, AnswersTheThreePagesFromTheCurrentSnapshot) {
    Start();
    const struct {
        const char* path;
        const char* type;
        const char* part;
    } pages[] = {{"/", "text/html", "<title>COM3: PLYX3 Status</title>"},
                 {"/?x=1", "text/html", "data-state=\"running\""},
                 {"/metrics", "text/plain; version=0.0.4", "plyx3_layer_running{port=\"COM3\"} 3\n"},
                 {"/status.json", "application/json", "\"layer_running\":3"}};
    for (const auto& p : pages) {
        const Answer a = Get(port_, p.path);
        EXPECT_EQ(a.code, 200) << p.path;
        EXPECT_NE(a.head.find(std::string("Content-Type: ") + p.type), std::string::npos) << a.head;
        EXPECT_NE(a.head.find("Content-Length: " + std::to_string(a.body.size()) + "\r\n"), std::string::npos) << a.head;
        EXPECT_NE(a.body.find(p.part), std::string::npos) << p.path;
    }
    StatusSnapshot next = SampleSnapshot();
    next.layerRunning = 5;
    publisher_.Publish(next);
    EXPECT_NE(Get(port_, "/metrics").body.find("plyx3_layer_running{port=\"COM3\"} 5\n"), std::string::npos);
    EXPECT_NE(Get(port_, "/status.json").body.find("\"layer_running\":5"), std::string::npos);
    EXPECT_EQ(server_->Counts().answered, 6u);
}

TEST_F(StatusServerTest, RefusesHostileRequestsAndServesTheOthersMeanwhile) {
    Start();
    const std::string big(20000, 'a');
    const struct {
        std::string request;
        int code;
    } cases[] = {
        {"GET / HTTP/1.1\r\nX-Big: " + big + "\r\n\r\n", 431},
        {"GET /" + big + " HTTP/1.1\r\n\r\n", 431},
        {"GET /../etc/passwd HTTP/1.1\r\n\r\n", 400},
        {"GET /%2e%2E/etc/passwd HTTP/1.1\r\n\r\n", 400},
        {"GET /metrics/.. HTTP/1.1\r\n\r\n", 400},
        {"GET /..%5c..%5cwin.ini HTTP/1.1\r\n\r\n", 400},
        {"GET /etc/passwd HTTP/1.1\r\n\r\n", 404},
        {"GET /C3.runs.csv HTTP/1.1\r\n\r\n", 404},
        {"POST /metrics HTTP/1.1\r\nContent-Length: 0\r\n\r\n", 405},
        {"PUT / HTTP/1.1\r\n\r\n", 405},
        {"DELETE /status.json HTTP/1.1\r\n\r\n", 405},
        {"HEAD / HTTP/1.1\r\n\r\n", 405},
        {"OPTIONS * HTTP/1.1\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\n0123456789", 400},
        {"\x16\x03\x01\x02\x05\x01\x04\x01\xfc\x03\x03\r\n\r\n", 400},  // TLS on the plain port
        {"GET / HTTP/1.1\r\nA: b\r\n c\r\n\r\n", 400},
    };
    for (const auto& c : cases) {
        // The hostile client first, then another in the middle of it.
        const int hostile = Connect(port_);
        ASSERT_GE(hostile, 0);
        auto sent = std::async(std::launch::async, [&] { return SendAll(hostile, c.request); });
        ExpectServed();
        sent.wait();
        const Answer a = ReadAnswer(hostile);
        EXPECT_EQ(a.code, c.code) << c.request.substr(0, 40);
        if (c.code == 405) {
            EXPECT_NE(a.head.find("Allow: GET\r\n"), std::string::npos);
        }
        EXPECT_EQ(a.body.find("PLYX3"), std::string::npos) << "a refusal shows no page";
    }
    EXPECT_EQ(server_->Counts().refused, std::size(cases));
}

TEST_F(StatusServerTest, ASlowClientIsCutOffAtItsTimeAndHoldsUpNoOne) {
    ServerLimits limits;
    limits.requestMillis = 400;
    Start(limits);
    const int slow = Connect(port_);
    ASSERT_GE(slow, 0);
    ASSERT_TRUE(SendAll(slow, "GET / HTTP/1.1\r\n"));
    // It keeps sending a byte now and then, never the end of its head.
    std::atomic<bool> open{true};
    std::thread dribble([&] {
        for (int i = 0; i < 100 && open; ++i) {
            if (!SendAll(slow, "X")) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    ExpectServed();
    ExpectServed();
    const Answer a = ReadAnswer(slow);
    open = false;
    dribble.join();
    EXPECT_EQ(a.code, 408);
    EXPECT_EQ(server_->Counts().timedOut, 1u);
    // A client that connects and says nothing is cut off the same way.
    const int silent = Connect(port_);
    EXPECT_EQ(ReadAnswer(silent).code, 408);
    ExpectServed();
}

TEST_F(StatusServerTest, ConnectionsOverTheLimitAreTurnedAwayAndTheHeldOnesServed) {
    ServerLimits limits;
    limits.maxConnections = 4;
    Start(limits);
    std::vector<int> held;
    for (int i = 0; i < 4; ++i) held.push_back(Connect(port_));
    for (int fd : held) ASSERT_GE(fd, 0);
    // Every place is taken: the next ones hear 503 at once.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Get(port_, "/status.json").code, 503);
    for (int fd : held) {
        ASSERT_TRUE(SendAll(fd, "GET /metrics HTTP/1.1\r\n\r\n"));
        const Answer a = ReadAnswer(fd);
        EXPECT_EQ(a.code, 200);
        EXPECT_NE(a.body.find("plyx3_run_state"), std::string::npos);
    }
    EXPECT_EQ(server_->Counts().busy, 3u);
    // Their places are free again once they have gone.
    for (int i = 0; i < 50 && Get(port_, "/").code != 200; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ExpectServed();
}

TEST_F(StatusServerTest, ACrowdBeyondTheAcceptPaceWaitsItsTurnAndIsServed) {
    ServerLimits limits;
    limits.acceptsPerSecond = 100;
    limits.acceptBurst = 5;
    Start(limits);
    std::vector<std::future<Answer>> crowd;
    for (int i = 0; i < 40; ++i)
        crowd.push_back(std::async(std::launch::async, [this] { return Get(port_, "/metrics"); }));
    for (auto& a : crowd) EXPECT_EQ(a.get().code, 200);
    EXPECT_EQ(server_->Counts().answered, 40u);
    EXPECT_EQ(server_->Counts().busy, 0u);
}

TEST_F(StatusServerTest, ConnectionsBeyondThePaceWaitUnaccepted) {
    ServerLimits limits;
    limits.acceptsPerSecond = 0;  // no token comes back: the burst is all
    limits.acceptBurst = 3;
    Start(limits);
    std::vector<int> fds;
    for (int i = 0; i < 5; ++i) {
        fds.push_back(Connect(port_));
        ASSERT_TRUE(SendAll(fds.back(), "GET /status.json HTTP/1.1\r\n\r\n"));
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadAnswer(fds[static_cast<std::size_t>(i)]).code, 200);
    // The others wait in the kernel's queue: not taken, so not answered.
    for (int i = 3; i < 5; ++i) {
        pollfd p{fds[static_cast<std::size_t>(i)], POLLIN, 0};
        EXPECT_EQ(::poll(&p, 1, 300), 0);
    }
    EXPECT_EQ(server_->Counts().answered, 3u);
    EXPECT_EQ(server_->Counts().busy, 0u);
    server_->Stop();
    for (int i = 3; i < 5; ++i) ::close(fds[static_cast<std::size_t>(i)]);
}

TEST_F(StatusServerTest, APortInUseIsSaidAndTheFirstServerGoesOn) {
    Start();
    StatusServer second(publisher_);
    ListenAddress a;
    a.port = port_;
    std::string why;
    EXPECT_FALSE(second.Start(a, &why));
    EXPECT_EQ(why, "Address already in use");
    EXPECT_FALSE(second.Running());
    ExpectServed();
    a.host = "192.0.2.1";  // an address of no interface here
    EXPECT_FALSE(second.Start(a, &why));
    EXPECT_EQ(why, "Cannot assign requested address");
    server_->Stop();
    EXPECT_LT(Connect(port_), 0);
}
