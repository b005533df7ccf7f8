// Waiting: time-outs, stop requests while connecting or waiting for data, and the body cap.
#include "tests/net/http_test_support.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
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

// A cancel check that asks for the stop once the server holds the request and the client has
// polled a few more times: by then it is waiting for data, whatever the machine's load.
struct StopWhileWaiting {
    ScriptedServer& server;
    std::size_t requests; // how many requests the server must have read
    int polls;            // further polls before the stop

    static bool check(void* ctx) {
        auto* self = static_cast<StopWhileWaiting*>(ctx);
        if (self->server.requests().size() < self->requests) return false;
        return self->polls-- <= 0;
    }
};

// True while one of this process's sockets is still connecting (its SYN unanswered).
bool aConnectIsPending(void*) {
    for (int fd = 3; fd < 1024; ++fd) {
        tcp_info info{};
        socklen_t len = sizeof info;
        if (getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &len) == 0 && info.tcpi_state == TCP_SYN_SENT)
            return true;
    }
    return false;
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

TEST_F(HttpWait, ZeroTimeoutFailsAtTheFirstCheck) {
    http_setTimeout(0);
    ScriptedServer server({kSilent});
    EXPECT_EQ(fetch(server.url()).length, -1);
    expectClientError(HTTP_ERR_HEADER_TIMEOUT, 0);
    EXPECT_STREQ(http_strerror(), "Timed out, no metadata for 0 seconds");
}

TEST_F(HttpWait, HeaderAndBodyWaitsEndAfterTheTimeout) {
    http_setTimeout(1);
    ScriptedServer server({kSilent, kHeaderThenSilence});
    auto start = Clock::now();
    EXPECT_EQ(fetch(server.url()).length, -1);
    // At least the limit set, and ended by it rather than by the fixture's five seconds.
    const double waited = secondsSince(start);
    EXPECT_GT(waited, 0.9);
    EXPECT_LT(waited, 4.5);
    expectClientError(HTTP_ERR_HEADER_TIMEOUT, 1);

    char* page = nullptr;
    EXPECT_EQ(http_fetch(server.url().c_str(), &page), -1);
    EXPECT_EQ(page, nullptr);
    expectClientError(HTTP_ERR_BODY_TIMEOUT, 1);
    EXPECT_STREQ(http_strerror(), "Timed out, no data for 1 seconds");
}

TEST_F(HttpWait, TheTimeoutBoundsTheWholeExchangeHoweverTheServerTrickles) {
    http_setTimeout(1);
    // A byte every tenth of a second never lets a single wait run out: in the header, then in a
    // body that never ends.
    ScriptedServer server({CannedReply{"HTTP/1.1 200 OK\r\nX-Slow: ", CannedReply::Then::trickle},
                           CannedReply{"HTTP/1.1 200 OK\r\n\r\n", CannedReply::Then::trickle}});
    for (int index : {HTTP_ERR_HEADER_TIMEOUT, HTTP_ERR_BODY_TIMEOUT}) {
        auto start = Clock::now();
        EXPECT_EQ(fetch(server.url()).length, -1);
        const double waited = secondsSince(start);
        EXPECT_GT(waited, 0.9);
        EXPECT_LT(waited, 3.0);
        expectClientError(index, 1);
    }
}

TEST_F(HttpWait, AConnectThatHangsSpendsTheTimeout) {
    http_setTimeout(1);
    FullBacklog backlog;
    auto start = Clock::now();
    EXPECT_EQ(fetch("http://127.0.0.1:" + std::to_string(backlog.port()) + "/").length, -1);
    EXPECT_LT(secondsSince(start), 3.0);
    expectClientError(HTTP_ERR_HEADER_TIMEOUT, 1);
}

TEST_F(HttpWait, NegativeTimeoutWaitsUntilStopped) {
    http_setTimeout(-1);
    ScriptedServer server({kSilent});
    // Several idle polls: a client that took -1 for "no wait" would time out first.
    StopWhileWaiting stop{server, 1, 5};
    http_setCancelCheck(StopWhileWaiting::check, &stop);
    EXPECT_EQ(fetch(server.url()).length, -1);
    expectClientError(HTTP_ERR_STOPPED, 0);
    EXPECT_TRUE(http_wasStopped());
}

TEST_F(HttpWait, StopEndsTheWaitForHeaderAndBody) {
    http_setTimeout(30);
    ScriptedServer server({kSilent, kHeaderThenSilence});
    for (std::size_t reply = 0; reply < 2; ++reply) {
        StopWhileWaiting stop{server, reply + 1, 2};
        http_setCancelCheck(StopWhileWaiting::check, &stop);
        char* page = nullptr;
        EXPECT_EQ(http_fetch(server.url().c_str(), &page), -1);
        EXPECT_EQ(page, nullptr);
        expectClientError(HTTP_ERR_STOPPED, 0);
        EXPECT_TRUE(http_wasStopped());
        EXPECT_STREQ(http_strerror(), "Stopped by request");
    }
}

TEST_F(HttpWait, StopEndsAPendingConnect) {
    FullBacklog backlog;
    // The stop comes only while the connect is pending; a connect that completed would leave the
    // fetch waiting for a header until the fixture's time-out instead.
    http_setCancelCheck(aConnectIsPending, nullptr);
    EXPECT_EQ(fetch("http://127.0.0.1:" + std::to_string(backlog.port()) + "/").length, -1);
    expectClientError(HTTP_ERR_STOPPED, 0);
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
    // Few enough polls that the stop comes before the body reaches the cap.
    http_setCancelCheck([](void*) { return ++calls > 8; }, nullptr);
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

// The process's peak resident memory in KiB, or -1; resetPeak starts a new peak where the
// system allows it.
long peakKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}
bool resetPeak() {
    std::ofstream refs("/proc/self/clear_refs");
    refs << "5";
    return static_cast<bool>(refs.flush());
}

TEST_F(HttpWait, MemoryIsCommittedAsTheBytesComeWithOrWithoutALength) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "under a sanitizer the memory figures are its own";
#endif
    if (!resetPeak() || peakKib() < 0) GTEST_SKIP() << "no peak memory figures here";
    const long before = peakKib();
    ScriptedServer server({closeAfter("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kHttpMaxBody) +
                                      "\r\n\r\n" + std::string(100000, 'b'))});
    EXPECT_EQ(fetch(server.url()).length, -1);
    expectClientError(HTTP_ERR_BODY_CUT, 100000);
    EXPECT_LT(peakKib() - before, 16 * 1024);

    // Without a length the room for the cap is address space only: the bytes that came are what
    // costs memory.
    ASSERT_TRUE(resetPeak());
    const long again = peakKib();
    ScriptedServer unannounced({closeAfter("HTTP/1.1 200 OK\r\n\r\n" + std::string(100000, 'b'))});
    EXPECT_EQ(fetch(unannounced.url()).length, 100000);
    EXPECT_LT(peakKib() - again, 16 * 1024);
}

TEST_F(HttpWait, BodyOfExactlyTheCapIsAccepted) {
    std::string body(kHttpMaxBody, 'z');
    ScriptedServer server({closeAfter("HTTP/1.1 200 OK\r\n\r\n" + body)});
    EXPECT_EQ(http_fetch(server.url().c_str(), nullptr), static_cast<int>(kHttpMaxBody));
}

} // namespace
