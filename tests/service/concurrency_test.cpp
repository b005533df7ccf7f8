// The service's threads: the bounded connection queue, and one server process
// answering many clients at once while the day's events are built lazily.
#include "service/bounded_task_queue.h"
#include "service/connection_gate.h"
#include "service/service_server.h"
#include "service/service_setup.h"
#include "tests/service/reply_readers.h"
#include "tests/service/service_process.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <future>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#if defined(__SANITIZE_THREAD__)
// The HTTP library comes built without ThreadSanitizer: its guarded statics are published by
// atomics the sanitizer cannot see, so the copies and compares it makes inside itself look racy.
// Only interceptor calls made from inside that library are left out; our own code stays checked.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libcpp-httplib.so\n";
}
#endif

namespace {

// The shipped data, as the service builds it at start.
vxs::ServiceData shippedData() {
    vxs::ServiceOptions options;
    options.dataDir = VX_SERVICE_DATA_DIR;
    vxs::ServiceData data;
    std::string error;
    EXPECT_TRUE(vxs::buildServiceData(options, &data, &error)) << error;
    return data;
}

} // namespace

TEST(BoundedTaskQueue, ServesOverflowOnTheCallersThreadAndRunsEverything) {
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    std::atomic<int> ran{0};
    std::thread::id inlineThread;
    {
        vxs::BoundedTaskQueue queue(1, 1);
        // The worker takes the first task and blocks in it.
        std::promise<void> started;
        queue.enqueue([&] {
            started.set_value();
            std::unique_lock<std::mutex> lock(m);
            cv.wait(lock, [&] { return release; });
            ++ran;
        });
        started.get_future().wait();
        queue.enqueue([&] { ++ran; }); // waits in the one free slot
        queue.enqueue([&] {            // no slot left: runs here, now
            inlineThread = std::this_thread::get_id();
            ++ran;
        });
        EXPECT_EQ(inlineThread, std::this_thread::get_id());
        EXPECT_EQ(ran.load(), 1);
        {
            std::lock_guard<std::mutex> lock(m);
            release = true;
        }
        cv.notify_all();
        // Shutting down still serves what waits, so no connection is left open.
    }
    EXPECT_EQ(ran.load(), 3);
}

TEST(ServiceServer, ManyClientsAtOnceAllGetTheirAnswers) {
    vxs::ServiceOptions options;
    options.dataDir = VX_SERVICE_DATA_DIR;
    options.today = vxs::CivilDate{2026, 9, 1};
    vxs::ServiceData data;
    std::string error;
    ASSERT_TRUE(vxs::buildServiceData(options, &data, &error)) << error;
    std::string logPath = testing::TempDir() + "concurrent-" + std::to_string(getpid()) + ".log";
    vxs::RequestLog log;
    ASSERT_TRUE(log.open(logPath, &error));
    vxs::ServiceServer server(data, log);
    ASSERT_TRUE(server.bind("127.0.0.1", 0, 0, &error)) << error;
    std::thread serving([&] { server.run(); });

    constexpr int kClients = 6, kRounds = 12;
    std::atomic<int> good{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            std::string user = "user" + std::to_string(c);
            rawGet(server.port(), "/sharing/sharing.php?TODO=INITIALIZE_USER&USERNAME=" + user + "&UUID=U" +
                                      user + "&CITY=Boston&STATE=MA&FIRSTNAME=F&LASTNAME=L");
            for (int r = 0; r < kRounds; ++r) {
                RawReply src =
                    rawGet(server.port(), "/sources/gigwire.php?feed=events&city=Boston&state=MA&radius=" +
                                              std::to_string(20 + r));
                RawReply geo =
                    rawGet(server.port(), "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA");
                RawReply add = rawGet(
                    server.port(), "/sharing/sharing.php?TODO=ADD_SHOW&USERNAME=" + user + "&UUID=U" + user +
                                       "&YEAR=2027&MONTH=1&DAY=" + std::to_string(r + 1) +
                                       "&TICKETSAVAILABLE=0&ARTIST=A&VENUE=V&LOCATION=L&URL=U&OTHERARTISTS=");
                if (src.status == 200 && !readSourceEvents(src.body).complete.empty() && geo.status == 200 &&
                    geo.body.find("<LAT>") != std::string::npos && add.body == "Show added.\n")
                    ++good;
            }
        });
    }
    for (std::thread& t : clients)
        t.join();
    RawReply page = rawGet(server.iplocPort(), "/");
    server.stop();
    serving.join();

    EXPECT_EQ(good.load(), kClients * kRounds);
    EXPECT_EQ(page.status, 200);
    for (int c = 0; c < kClients; ++c)
        EXPECT_EQ(data.sharing->shows("user" + std::to_string(c)).size(), 12u);
    std::ifstream in(logPath);
    int lines = 0;
    for (std::string line; std::getline(in, line);) {
        EXPECT_EQ(line.substr(line.size() - 4), " 200") << line;
        ++lines;
    }
    EXPECT_EQ(lines, kClients * (1 + 3 * kRounds) + 1);
    std::remove(logPath.c_str());
}

// The i-th of many slow clients, from one of four addresses, each under the limit of one client.
const char* slowClientAddress(int i) {
    static const char* addresses[] = {"127.0.0.10", "127.0.0.11", "127.0.0.12", "127.0.0.13"};
    return addresses[i % 4];
}

// Opens a connection to the port and sends the first bytes of a request that never ends.
int openSlowClient(int port, const char* from) {
    const int fd = connectFrom(from, port);
    if (fd >= 0) (void)!send(fd, "GET /zip", 8, MSG_NOSIGNAL);
    return fd;
}

TEST(ServiceServer, SlowClientsCannotKeepOthersWaiting) {
    vxs::ServiceOptions options;
    options.dataDir = VX_SERVICE_DATA_DIR;
    options.today = vxs::CivilDate{2026, 9, 1};
    vxs::ServiceData data;
    std::string error;
    ASSERT_TRUE(vxs::buildServiceData(options, &data, &error)) << error;
    vxs::RequestLog log;
    std::string logPath = testing::TempDir() + "slow-clients-" + std::to_string(getpid()) + ".log";
    ASSERT_TRUE(log.open(logPath, &error));
    vxs::ServiceServer server(data, log);
    ASSERT_TRUE(server.bind("127.0.0.1", 0, 0, &error)) << error;
    std::thread serving([&] { server.run(); });

    // Far more half-sent requests than the service has workers, each holding its connection.
    std::vector<int> slow;
    for (int i = 0; i < 200; ++i)
        if (int fd = openSlowClient(server.port(), slowClientAddress(i)); fd >= 0) slow.push_back(fd);
    EXPECT_EQ(slow.size(), 200u);
    int answered = 0;
    for (int i = 0; i < 20; ++i) {
        RawReply geo = rawGet(server.port(), "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA");
        if (geo.status == 200 && geo.body.find("<LAT>") != std::string::npos) ++answered;
    }
    // A header flood and an endless request line are refused, not served.
    std::string flood = "GET / HTTP/1.1\r\n";
    for (int i = 0; i < 10000; ++i)
        flood += "X-" + std::to_string(i) + ": v\r\n";
    RawReply many = rawExchange(server.port(), flood + "\r\n");
    RawReply longLine = rawExchange(server.port(), "GET /" + std::string(4 << 20, 'a') + " HTTP/1.1\r\n\r\n");
    for (int fd : slow)
        close(fd);
    server.stop();
    serving.join();
    std::remove(logPath.c_str());

    EXPECT_EQ(answered, 20);
    EXPECT_EQ(many.status, 431);
    EXPECT_EQ(longLine.status, 414);
}

// Opens a connection and sends a POST head that announces a body, and the body's first byte.
int openSlowBodyClient(int port, bool chunked, const char* from) {
    const int fd = connectFrom(from, port);
    if (fd < 0) return -1;
    const std::string head =
        std::string("POST /zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA HTTP/1.1\r\n") +
        (chunked ? "Transfer-Encoding: chunked\r\n\r\nea60\r\nx" : "Content-Length: 60000\r\n\r\nx");
    (void)!send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    return fd;
}

TEST(ServiceServer, SlowRequestBodiesCannotTakeTheWorkers) {
    vxs::ServiceOptions options;
    options.dataDir = VX_SERVICE_DATA_DIR;
    options.today = vxs::CivilDate{2026, 9, 1};
    vxs::ServiceData data;
    std::string error;
    ASSERT_TRUE(vxs::buildServiceData(options, &data, &error)) << error;
    vxs::RequestLog log;
    std::string logPath = testing::TempDir() + "slow-bodies-" + std::to_string(getpid()) + ".log";
    ASSERT_TRUE(log.open(logPath, &error));
    vxs::ServiceServer server(data, log);
    ASSERT_TRUE(server.bind("127.0.0.1", 0, 0, &error)) << error;
    std::thread serving([&] { server.run(); });

    for (int count : {8, 200}) {
        std::vector<int> slow;
        for (int i = 0; i < count; ++i)
            if (int fd = openSlowBodyClient(server.port(), i % 2 == 1, slowClientAddress(i)); fd >= 0)
                slow.push_back(fd);
        EXPECT_EQ(slow.size(), static_cast<std::size_t>(count));
        // They go on sending, a byte every half second, while others ask.
        std::atomic<bool> done{false};
        std::thread trickle([&] {
            while (!done) {
                for (int fd : slow)
                    (void)!send(fd, "x", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                for (int i = 0; i < 5 && !done; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        int answered = 0;
        for (int i = 0; i < 20; ++i) {
            RawReply geo =
                rawGet(server.port(), "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA");
            if (geo.status != 200 || geo.body.find("<LAT>") == std::string::npos) break;
            ++answered;
        }
        done = true;
        trickle.join();
        int refused = 0;
        for (int fd : slow) {
            char reply[13] = {};
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 3000) > 0 && recv(fd, reply, 12, MSG_WAITALL) == 12 &&
                std::string(reply) == "HTTP/1.1 413")
                ++refused;
            close(fd);
        }
        EXPECT_EQ(answered, 20) << count << " slow bodies";
        EXPECT_EQ(refused, count);
    }
    server.stop();
    serving.join();
    std::remove(logPath.c_str());
}

TEST(ConnectionGate, JudgesARequestHeadByItsLimits) {
    vxs::GateLimits limits;
    limits.maxRequestLine = 20;
    limits.maxHeaderLines = 2;
    limits.maxHeadBytes = 64;
    using Head = vxs::ConnectionGate::Head;
    auto judge = [&](const std::string& bytes) {
        return vxs::ConnectionGate::judge(bytes.data(), bytes.size(), limits);
    };
    EXPECT_EQ(judge("GET / HTTP/1.1\r\nHost: x\r\n\r\n"), Head::complete);
    EXPECT_EQ(judge("GET / HTTP/1.1\nA: 1\nB: 2\n\n"), Head::complete);
    EXPECT_EQ(judge("GET / HTTP/1.1\r\nHost: x\r\n"), Head::incomplete);
    EXPECT_EQ(judge("GET /"), Head::incomplete);
    EXPECT_EQ(vxs::ConnectionGate::judge(nullptr, 0, limits), Head::incomplete);
    // Refused as soon as the bytes show it, before the line or the head has ended.
    EXPECT_EQ(judge("GET /" + std::string(30, 'a')), Head::lineTooLong);
    EXPECT_EQ(judge("GET /" + std::string(30, 'a') + " HTTP/1.1\r\n\r\n"), Head::lineTooLong);
    EXPECT_EQ(judge("GET / HTTP/1.1\r\nA: 1\r\nB: 2\r\nC: 3\r\n"), Head::tooManyHeaders);
    EXPECT_EQ(judge("GET / HTTP/1.1\r\nA: " + std::string(80, 'v')), Head::tooManyHeaders);
    // Every route is a GET: a head that announces a body is refused whole.
    EXPECT_EQ(judge("GET / HTTP/1.1\r\nContent-length: 60000\r\n\r\n"), Head::hasBody);
    EXPECT_EQ(judge("GET / HTTP/1.1\nTRANSFER-ENCODING: chunked\n\n"), Head::hasBody);
    EXPECT_EQ(judge("GET / HTTP/1.1\r\nContent-Length: 0\r\n\r\n"), Head::complete);
    // Only the phone app's small forms carry one, and they are let in whole, never waited for.
    const vxs::GateLimits usual;
    auto judgeUsual = [&](const std::string& bytes) {
        return vxs::ConnectionGate::judge(bytes.data(), bytes.size(), usual);
    };
    const std::string form = "POST /app/api/signin HTTP/1.1\r\nContent-Length: 5\r\n";
    EXPECT_EQ(judgeUsual(form + "\r\na=1&b"), Head::complete);
    EXPECT_EQ(judgeUsual(form + "\r\na=1"), Head::incomplete);
    EXPECT_EQ(judgeUsual(form + "Content-Length: 5\r\n\r\na=1&b"), Head::hasBody);
    EXPECT_EQ(judgeUsual("POST /app/api/signin HTTP/1.1\r\nContent-Length: 99999\r\n\r\n"), Head::hasBody);
    EXPECT_EQ(judgeUsual("POST /app/api/signin HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"),
              Head::hasBody);
    EXPECT_EQ(judgeUsual("POST /sharing/sharing.php HTTP/1.1\r\nContent-Length: 5\r\n\r\na=1&b"),
              Head::hasBody);
}

// The next reply on a connection, as far as its Content-Length, the bytes after it left in
// pending; "" when the connection ends first.
std::string readOneReply(int fd, std::string& pending) {
    char buf[65536];
    for (;;) {
        const std::size_t end = pending.find("\r\n\r\n");
        const std::size_t length = pending.find("Content-Length: ");
        if (end != std::string::npos && length < end) {
            const std::size_t whole = end + 4 + std::stoul(pending.substr(length + 16));
            if (pending.size() >= whole) {
                std::string reply = pending.substr(0, whole);
                pending.erase(0, whole);
                return reply;
            }
        }
        pollfd p{fd, POLLIN, 0};
        const ssize_t n = poll(&p, 1, 10000) > 0 ? recv(fd, buf, sizeof buf, 0) : 0;
        if (n <= 0) return "";
        pending.append(buf, static_cast<std::size_t>(n));
    }
}

TEST(ServiceServer, KeepsTheConnectionOfAClientThatAsksAndEndsItForOneThatDoesNot) {
    vxs::ServiceData data = shippedData();
    std::string error;
    vxs::RequestLog log;
    vxs::ServiceServer server(data, log);
    ASSERT_TRUE(server.bind("127.0.0.1", 0, 0, &error)) << error;
    std::thread serving([&] { server.run(); });
    const std::string page = "/sources/ticketline.php?city=Boston&state=MA&radius=75";
    // Built by a worker; later the page is kept, and the gate answers with the same bytes.
    const RawReply built = rawGet(server.port(), page);
    struct Case {
        std::string target, version, connection;
        bool kept;
        std::string says;
    } cases[] = {
        {"/current_version.php?VERSION=2.9", "HTTP/1.1", "", true, "Keep-Alive: timeout="},
        {page, "HTTP/1.1", "", true, "Keep-Alive: timeout="},
        {page, "HTTP/1.0", "Connection: Keep-Alive\r\n", true, "Connection: keep-alive"},
        {"/current_version.php?VERSION=2.9", "HTTP/1.1", "Connection: Close\r\n", false, "Connection: close"},
        {page, "HTTP/1.0", "", false, "Connection: close"},
    };
    for (const Case& c : cases) {
        const int fd = connectFrom("127.0.0.1", server.port());
        const std::string request = "GET " + c.target + " " + c.version +
                                    "\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n" +
                                    c.connection + "\r\n";
        // Two requests at once: the first one's reading must leave the second for its own turn.
        const std::string twice = request + request;
        ASSERT_EQ(send(fd, twice.data(), twice.size(), MSG_NOSIGNAL), static_cast<ssize_t>(twice.size()));
        std::string pending;
        const std::string first = readOneReply(fd, pending);
        const std::string second = readOneReply(fd, pending);
        close(fd);
        const std::string body = c.target == page ? built.body : "<current>2.9</current>\n";
        if (c.target == page && !c.kept) {
            EXPECT_EQ(first, built.head + "\r\n\r\n" + built.body);
        }
        EXPECT_NE(first.find(c.says), std::string::npos) << c.target << " " << c.connection << first;
        EXPECT_EQ(first.substr(first.find("\r\n\r\n") + 4), body) << c.target << " " << c.connection;
        EXPECT_EQ(second, c.kept ? first : "") << c.target << " " << c.version << " " << c.connection;
    }
    // A request the library gives up on after its first line ends the connection: the lines it
    // left unread are no next request.
    const int fd = connectFrom("127.0.0.1", server.port());
    const std::string odd = "PROPFIND / HTTP/1.1\r\nHost: x\r\nConnection: keep-alive\r\n\r\n"
                            "GET /current_version.php?VERSION=2.9 HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_EQ(send(fd, odd.data(), odd.size(), MSG_NOSIGNAL), static_cast<ssize_t>(odd.size()));
    std::string all;
    char buf[4096];
    for (pollfd p{fd, POLLIN, 0}; poll(&p, 1, 10000) > 0;) {
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        all.append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    EXPECT_EQ(all.rfind("HTTP/1.1 400", 0), 0u) << all;
    EXPECT_EQ(all.find("HTTP/1.1", 1), std::string::npos) << all;
    server.stop();
    serving.join();
}

TEST(ServiceServer, StopsBeforeItHasStartedListening) {
    vxs::ServiceData data = shippedData();
    std::string error;
    vxs::RequestLog log;
    vxs::ServiceServer server(data, log);
    ASSERT_TRUE(server.bind("127.0.0.1", 0, 0, &error)) << error;
    server.stop();
    std::promise<void> returned;
    std::future<void> done = returned.get_future();
    std::thread serving([&] {
        server.run();
        returned.set_value();
    });
    // A deadline for a hang, not a speed goal: a run that missed the earlier stop serves on.
    const bool ended = done.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!ended) server.stop();
    serving.join();
    EXPECT_TRUE(ended) << "run() served although stop() came first";
}

TEST(ServiceServer, APortInUseIsAnErrorThatNamesIt) {
    vxs::ServiceData data = shippedData();
    std::string error;
    vxs::RequestLog log;
    vxs::ServiceServer first(data, log);
    ASSERT_TRUE(first.bind("127.0.0.1", 0, 0, &error)) << error;
    vxs::ServiceServer second(data, log);
    EXPECT_FALSE(second.bind("127.0.0.1", first.port(), 0, &error));
    EXPECT_NE(error.find("port " + std::to_string(first.port()) + " is in use"), std::string::npos) << error;
    vxs::ServiceServer third(data, log);
    EXPECT_FALSE(third.bind("127.0.0.1", 0, first.iplocPort(), &error));
    EXPECT_NE(error.find(std::to_string(first.iplocPort())), std::string::npos) << error;
}
