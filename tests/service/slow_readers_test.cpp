// One client that asks for the largest replies and never reads them, while it holds a thousand
// more connections that never finish a request, keeps no other client waiting.
#include "service/service_server.h"
#include "service/service_setup.h"
#include "tests/service/service_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// The longest answer a probe may take. Sanitizer builds run several times slower: they get a margin.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr auto kProbeLimit = std::chrono::milliseconds(400);
#else
constexpr auto kProbeLimit = std::chrono::milliseconds(100);
#endif

} // namespace

TEST(ServiceServer, SlowReadersAndHalfOpenConnectionsOfOneClientKeepNoOtherWaiting) {
    // Both ends of two thousand connections live in this process.
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::min<rlim_t>(files.rlim_max, 8192);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &files), 0);

    vxs::ServiceOptions options;
    options.dataDir = VX_SERVICE_DATA_DIR;
    options.today = vxs::CivilDate{2026, 9, 1};
    vxs::ServiceData data;
    std::string error;
    ASSERT_TRUE(vxs::buildServiceData(options, &data, &error)) << error;
    // A full account, every text as long as a show keeps it: the largest reply there is.
    ASSERT_EQ(data.sharing->registerUser({"big", "B", "G", "Boston", "MA"}, "uuid-big"),
              vxs::Registration::Created);
    {
        // Written in one transaction: a request per show would take seconds.
        vxs::Lease c = data.db.lease();
        vxs::Transaction t(*c, vxs::TransactionKind::Write);
        for (int i = 0; i < 5000; ++i)
            c->run(
                "INSERT INTO shared_shows (username, year, month, day, tickets, artist, venue, location, "
                "url, "
                "other_artists, uid, sequence, changed, cancelled) VALUES ('big', 2027, ?1, ?2, 1, ?3 || ?4, "
                "?4, ?4, ?4, ?5, ?3, 0, 1, 0)",
                {1 + i % 12, 1 + i % 28, std::to_string(i), std::string(vxs::kMaxShowText - 4, 'x'),
                 std::string(vxs::kMaxOtherArtists, 'o')});
        t.commit();
    }
    const std::string feed = "/feed/" + data.feeds->token("big", "uuid-big", false) + ".ics";
    const std::string friends = "/sharing/sharing.php?TODO=DISPLAY_USER_SHOWS&USERNAME=big";
    const std::string logPath = testing::TempDir() + "slow-readers-" + std::to_string(getpid()) + ".log";
    vxs::RequestLog log;
    ASSERT_TRUE(log.open(logPath, &error));
    vxs::ServiceServer server(data, log);
    ASSERT_TRUE(server.bind("127.0.0.1", 0, 0, &error)) << error;
    std::thread serving([&] { server.run(); });

    // 32 readers of a whole account that take none of it, then 1,030 requests never finished.
    std::vector<int> held;
    std::vector<pollfd> readers;
    for (int i = 0; i < 32 + 1030; ++i) {
        const int fd = connectFrom(nullptr, server.port());
        const std::string request =
            i >= 32 ? "GET /zip"
                    : "GET " + (i % 2 ? feed : friends) + " HTTP/1.1\r\nConnection: Close\r\n\r\n";
        if (fd >= 0) (void)!send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        held.push_back(fd);
        if (i < 32) readers.push_back(pollfd{fd, POLLIN, 0});
    }
    // The attack is on once a reply has started to reach a reader that takes none of it.
    ASSERT_GT(poll(readers.data(), readers.size(), 10000), 0);

    auto slowest = Clock::duration::zero();
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        const RawReply geo =
            rawGet(server.port(), "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA", "127.0.0.2");
        slowest = std::max(slowest, Clock::now() - start);
        EXPECT_EQ(geo.status, 200) << "probe " << i;
    }
    EXPECT_LE(slowest, kProbeLimit);
    std::printf(
        "slowest probe: %lld ms\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(slowest).count()));
    // A reader that takes its reply gets all of it, however long.
    const RawReply all = rawGet(server.port(), friends, "127.0.0.2");
    EXPECT_EQ(all.status, 200);
    std::size_t events = 0;
    for (std::size_t at = 0; (at = all.body.find("</event>", at)) != std::string::npos; ++at)
        ++events;
    EXPECT_EQ(events, 5000u);
    EXPECT_LE(all.body.size(), 5000u * 2200u) << "a show's texts are bounded";

    for (int fd : held)
        if (fd >= 0) close(fd);
    server.stop();
    serving.join();
    std::remove(logPath.c_str());
}
