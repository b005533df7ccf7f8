// Slow clients against a running web service: in each run, clients that send a request body one
// byte a second (a 60,000-byte Content-Length, or chunked) and clients that send their request
// head one byte a second hold their connections open, while probes time single requests.
// Prints each run's median and longest probe, then the minimum and median of those over the runs.
// usage: bench_service_slow_clients PORT [SLOW_BODY] [SLOW_HEAD] [RUNS]
#include "bench/bench_timing.h"
#include "bench/service_client.h"

#include <atomic>
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

struct Run {
    double median = 0, longest = 0;
    int failed = 0;
    std::size_t open = 0;
};

Run oneRun(int port, int slowBody, int slowHead) {
    const std::string path = "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA";
    std::vector<int> slow;
    // From eight addresses: the service limits the connections of each.
    auto from = [](int i) { return "127.0.0." + std::to_string(10 + i % 8); };
    for (int i = 0; i < slowBody; ++i) {
        const int fd = connectTo(port, from(i).c_str());
        if (fd < 0) continue;
        const std::string head =
            "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
            (i % 2 ? "Transfer-Encoding: chunked\r\n\r\nea60\r\n" : "Content-Length: 60000\r\n\r\n");
        (void)!send(fd, head.data(), head.size(), MSG_NOSIGNAL);
        slow.push_back(fd);
    }
    for (int i = 0; i < slowHead; ++i)
        if (const int fd = connectTo(port, from(i).c_str()); fd >= 0) slow.push_back(fd);
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        const std::string bytes = "GET " + path + " HTTP/1.1\r\nX-Slow: ";
        for (std::size_t at = 0; !done; at = (at + 1) % bytes.size()) {
            for (int fd : slow)
                (void)!send(fd, &bytes[at], 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            for (int i = 0; i < 10 && !done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Run run;
    run.open = slow.size();
    std::vector<double> probes;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        if (!get(port, path)) ++run.failed;
        probes.push_back(vx::bench::millisecondsOf(start));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    done = true;
    trickle.join();
    for (int fd : slow)
        close(fd);
    run.median = vx::bench::median(probes);
    for (double p : probes)
        run.longest = std::max(run.longest, p);
    return run;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_service_slow_clients PORT [SLOW_BODY] [SLOW_HEAD] [RUNS]\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int slowBody = argc > 2 ? std::atoi(argv[2]) : 200;
    const int slowHead = argc > 3 ? std::atoi(argv[3]) : 200;
    const int runs = argc > 4 ? std::atoi(argv[4]) : 5;
    std::vector<double> medians, longest;
    int failed = 0;
    for (int r = 0; r < runs; ++r) {
        const Run run = oneRun(port, slowBody, slowHead);
        std::printf("run %d: %zu slow clients open; 20 probes: median %.1f ms, longest %.1f ms, %d failed\n",
                    r + 1, run.open, run.median, run.longest, run.failed);
        medians.push_back(run.median);
        longest.push_back(run.longest);
        failed += run.failed;
        std::this_thread::sleep_for(std::chrono::seconds(3)); // the refused clients' drains end
    }
    std::printf("%d runs, %d slow-body and %d slow-head clients: probe median min %.1f ms, median %.1f ms; "
                "longest probe min %.1f ms, median %.1f ms; %d probes failed\n",
                runs, slowBody, slowHead, *std::min_element(medians.begin(), medians.end()),
                vx::bench::median(medians), *std::min_element(longest.begin(), longest.end()),
                vx::bench::median(longest), failed);
    return failed == 0 ? 0 : 1;
}
