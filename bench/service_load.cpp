// Load on a running web service: slow clients that send one byte a second hold connections
// open while probes time single requests and a crowd of clients measures the rate of answers.
// usage: bench_service_load PORT PATH [SLOW_CLIENTS] [CLIENTS] [REQUESTS_PER_CLIENT]
#include "bench/bench_timing.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using vx::bench::Clock;

int connectTo(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

// One GET on a connection of its own, read to the close; true for a 200.
bool get(int port, const std::string& path) {
    const int fd = connectTo(port);
    if (fd < 0) return false;
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    bool ok = send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
    std::string reply;
    char buffer[65536];
    for (ssize_t n; ok && (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return ok && reply.rfind("HTTP/1.1 200", 0) == 0;
}

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

    // The slow clients: one byte of a request that never ends, every second.
    std::vector<int> slow;
    for (int i = 0; i < slowCount; ++i)
        if (int fd = connectTo(port); fd >= 0) slow.push_back(fd);
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
