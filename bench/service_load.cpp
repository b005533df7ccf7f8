// Load on a running web service: slow clients that send one byte a second hold connections
// open while probes time single requests and a crowd of clients measures the rate of answers.
// usage: bench_service_load PORT PATH [SLOW_CLIENTS] [CLIENTS] [REQUESTS_PER_CLIENT]
#include "bench/bench_timing.h"
#include "bench/service_client.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using vx::bench::Clock;
using vx::bench::connectTo;
using vx::bench::get;

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: bench_service_load PORT PATH [SLOW_CLIENTS] [CLIENTS] [REQUESTS_PER_CLIENT]\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string path = argv[2];
    const int slowCount = argc > 3 ? std::atoi(argv[3]) : 200;
    const int clients = argc > 4 ? std::atoi(argv[4]) : 50;
    const int perClient = argc > 5 ? std::atoi(argv[5]) : 40;

    // The slow clients: one byte of a request that never ends, every second, from four addresses
    // (the service limits the connections of each).
    std::vector<int> slow;
    for (int i = 0; i < slowCount; ++i)
        if (int fd = connectTo(port, ("127.0.0." + std::to_string(10 + i % 4)).c_str()); fd >= 0)
            slow.push_back(fd);
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        const std::string head =
            "GET /zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA HTTP/1.1\r\n";
        for (std::size_t at = 0; !done; at = (at + 1) % head.size()) {
            for (int fd : slow)
                (void)!send(fd, &head[at], 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            for (int i = 0; i < 10 && !done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    std::vector<double> probes;
    int probeFailures = 0;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        if (!get(port, path)) ++probeFailures;
        probes.push_back(vx::bench::millisecondsOf(start));
    }

    std::atomic<int> good{0}, bad{0};
    const auto start = Clock::now();
    std::vector<std::thread> crowd;
    for (int c = 0; c < clients; ++c)
        crowd.emplace_back([&] {
            for (int r = 0; r < perClient; ++r)
                (get(port, path) ? good : bad)++;
        });
    for (std::thread& t : crowd)
        t.join();
    const double ms = vx::bench::millisecondsOf(start);
    done = true;
    trickle.join();
    for (int fd : slow)
        close(fd);

    std::printf("%zu slow clients open; single requests: median %.1f ms, longest %.1f ms, %d failed\n",
                slow.size(), vx::bench::median(probes), *std::max_element(probes.begin(), probes.end()),
                probeFailures);
    std::printf("%d clients x %d requests: %d answered, %d failed, %.0f requests/s\n", clients, perClient,
                good.load(), bad.load(), 1000.0 * good.load() / ms);
    return bad.load() == 0 && probeFailures == 0 ? 0 : 1;
}
