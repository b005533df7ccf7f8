// Waiting: time-outs, stop requests while connecting or waiting for data, and the body cap.
#include "tests/net/http_test_support.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using HttpWait = HttpTest;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const CannedReply kSilent{"", CannedReply::Then::holdOpen};
const CannedReply kHeaderThenSilence{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc",
                                     CannedReply::Then::holdOpen};

bool flagIsSet(void* ctx) {
    return static_cast<std::atomic<bool>*>(ctx)->load();
}

// Sets the flag after a delay, on a thread of its own that is joined when this goes.
class StopLater {
  public:
    StopLater(std::atomic<bool>& flag, int ms)
        : thread_([&flag, ms] {
              std::this_thread::sleep_for(std::chrono::milliseconds(ms));
              flag = true;
          }) {}
    ~StopLater() { thread_.join(); }

  private:
    std::thread thread_;
};

TEST_F(HttpWait, ZeroTimeoutFailsAtTheFirstCheck) {
    http_setTimeout(0);
    ScriptedServer server({kSilent});
    auto start = Clock::now();
    EXPECT_EQ(fetch(server.url()).length, -1);
    EXPECT_LT(secondsSince(start), 0.5);
    expectClientError(HTTP_ERR_HEADER_TIMEOUT, 0);
    EXPECT_STREQ(http_strerror(), "Timed out, no metadata for 0 seconds");
}

TEST_F(HttpWait, HeaderAndBodyWaitsEndAfterTheTimeout) {
    http_setTimeout(1);
    ScriptedServer server({kSilent, kHeaderThenSilence});
    auto start = Clock::now();
    EXPECT_EQ(fetch(server.url()).length, -1);
    double waited = secondsSince(start);
    EXPECT_GT(waited, 0.9);
    EXPECT_LT(waited, 1.8);
    expectClientError(HTTP_ERR_HEADER_TIMEOUT, 1);

    char* page = nullptr;
    EXPECT_EQ(http_fetch(server.url().c_str(), &page), -1);
    EXPECT_EQ(page, nullptr);
    expectClientError(HTTP_ERR_BODY_TIMEOUT, 1);
    EXPECT_STREQ(http_strerror(), "Timed out, no data for 1 seconds");
}

TEST_F(HttpWait, NegativeTimeoutWaitsUntilStopped) {
    http_setTimeout(-1);
    std::atomic<bool> stop{false};
    http_setCancelCheck(flagIsSet, &stop);
    ScriptedServer server({kSilent});
    StopLater later(stop, 300);
    EXPECT_EQ(fetch(server.url()).length, -1);
    EXPECT_TRUE(http_wasStopped());
}

TEST_F(HttpWait, StopEndsTheWaitForHeaderAndBodyPromptly) {
    http_setTimeout(30);
    ScriptedServer server({kSilent, kHeaderThenSilence});
    for (int reply = 0; reply < 2; ++reply) {
        std::atomic<bool> stop{false};
        http_setCancelCheck(flagIsSet, &stop);
        auto start = Clock::now();
        {
            StopLater later(stop, 200);
            char* page = nullptr;
            EXPECT_EQ(http_fetch(server.url().c_str(), &page), -1);
            EXPECT_EQ(page, nullptr);
        }
        EXPECT_LT(secondsSince(start), 0.6) << "reply " << reply;
        expectClientError(HTTP_ERR_STOPPED, 0);
        EXPECT_TRUE(http_wasStopped());
        EXPECT_STREQ(http_strerror(), "Stopped by request");
    }
}

// A listener whose accept queue is full, so that a further connect stays pending.
class FullBacklog {
  public:
    FullBacklog() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listener_, 0);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        filler_ = socket(AF_INET, SOCK_STREAM, 0);
        connect(filler_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    }
    ~FullBacklog() {
        close(filler_);
        close(listener_);
    }
    int port() const { return port_; }

  private:
    int listener_ = -1;
    int filler_ = -1;
    int port_ = 0;
};

TEST_F(HttpWait, StopEndsAPendingConnect) {
    FullBacklog backlog;
    std::atomic<bool> stop{false};
    http_setCancelCheck(flagIsSet, &stop);
    auto start = Clock::now();
    {
        StopLater later(stop, 300);
        EXPECT_EQ(fetch("http://127.0.0.1:" + std::to_string(backlog.port()) + "/").length, -1);
    }
    double waited = secondsSince(start);
    EXPECT_GT(waited, 0.25) << "the connect should have been pending until the stop";
    EXPECT_LT(waited, 0.7);
    EXPECT_TRUE(http_wasStopped());
}

TEST_F(HttpWait, StopRequestedBeforehandMakesNoConnection) {
    std::atomic<bool> stop{true};
    http_setCancelCheck(flagIsSet, &stop);
    ScriptedServer server({closeAfter("HTTP/1.1 200 OK\r\n\r\nx")});
    EXPECT_EQ(fetch(server.url()).length, -1);
    EXPECT_TRUE(http_wasStopped());
    http_setCancelCheck(nullptr, nullptr);
    EXPECT_EQ(fetch(server.url()).length, 1);
    server.stop();
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpWait, StopIsPolledWhileDataKeepsComing) {
    static std::atomic<int> calls;
    calls = 0;
    http_setCancelCheck([](void*) { return ++calls > 40; }, nullptr);
    ScriptedServer server({CannedReply{"HTTP/1.1 200 OK\r\n\r\n", CannedReply::Then::streamForever}});
    EXPECT_EQ(fetch(server.url()).length, -1);
    EXPECT_TRUE(http_wasStopped());
}

TEST_F(HttpWait, EndlessBodyStopsAtTheCap) {
    ScriptedServer server(
        {CannedReply{"HTTP/1.1 200 OK\r\n\r\n", CannedReply::Then::streamForever},
         CannedReply{"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n", CannedReply::Then::streamForever}});
    for (int reply = 0; reply < 2; ++reply) {
        char* page = nullptr;
        EXPECT_EQ(http_fetch(server.url().c_str(), &page), -1);
        EXPECT_EQ(page, nullptr);
        expectClientError(HTTP_ERR_BODY_TOO_LARGE, 0);
        EXPECT_FALSE(http_wasStopped());
    }
}

TEST_F(HttpWait, BodyOfExactlyTheCapIsAccepted) {
    std::string body(kHttpMaxBody, 'z');
    ScriptedServer server({closeAfter("HTTP/1.1 200 OK\r\n\r\n" + body)});
    EXPECT_EQ(http_fetch(server.url().c_str(), nullptr), static_cast<int>(kHttpMaxBody));
}

} // namespace
