// The calendar feed of an account sharing 5,000 shows, as many as an account may: each run looks the token
// up, reads the shows and writes the whole feed, as the first request after a change does; then the same feed
// served again, and the conditional request a current client makes. Min and median of 50 runs each.
// The first request is also timed with its body written to a socket a thread drains, paired with
// writing the same bytes to that socket from memory: the floor an answer is held to.
#include "bench/bench_timing.h"
#include "service/feed_replies.h"

#include <atomic>
#include <cstdio>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {
// A connected pair of sockets whose far end a thread reads and drops until it is closed.
class DrainedSocket {
  public:
    DrainedSocket() {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) fds[0] = fds[1] = -1;
        reader = std::thread([this] {
            char sink[1 << 16];
            while (fds[1] >= 0 && ::read(fds[1], sink, sizeof sink) > 0) {
            }
        });
    }
    ~DrainedSocket() {
        ::shutdown(fds[0], SHUT_WR);
        reader.join();
        ::close(fds[0]);
        ::close(fds[1]);
    }
    bool write(const std::string& bytes) const {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fds[0], bytes.data() + done, bytes.size() - done);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

  private:
    int fds[2] = {-1, -1};
    std::thread reader;
};
} // namespace

int main() {
    vxs::ServiceDatabase db;
    std::string error;
    if (!db.open(":memory:", &error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    const vxs::StoreLimits limits;
    vxs::SharingStore sharing(db, limits);
    vxs::FeedStore feeds(db);
    sharing.registerUser({"bench", "B", "C", "Boston", "MA"}, "uuid-1");
    // All but one: the show each run moves is the last the account may hold.
    for (int i = 0; i + 1 < limits.maxShowsPerUser; ++i) {
        vxs::SharedShow s{2027 + i / 336,
                          1 + (i / 28) % 12,
                          1 + i % 28,
                          i % 2 == 0,
                          vx::bench::libraryName(i),
                          "Venue, Hall " + std::to_string(i % 97),
                          "Boston, MA",
                          "http://127.0.0.1/event/" + std::to_string(i) + ".html",
                          "Other; Act",
                          ""};
        if (!sharing.addShow("bench", s)) return std::fprintf(stderr, "show %d refused\n", i), 1;
    }
    const std::string token = feeds.token("bench", "uuid-1", false) + ".ics";
    const DrainedSocket socket;
    std::vector<double> changed, full, conditional, answered, floor, ratios;
    std::size_t bytes = 0;
    for (int run = 0; run < 50; ++run) {
        // One show changes, so the feed is made anew.
        vxs::SharedShow moved{2030,         1,   1 + run % 28, false,    "Moved", "Hall",
                              "Boston, MA", "u", "",           "moved-1"};
        if (!sharing.addShow("bench", moved)) return std::fprintf(stderr, "moved show refused\n"), 1;
        auto start = vx::bench::Clock::now();
        vxs::Reply r = vxs::feedReply(token, feeds, "127.0.0.1:8460", "", "");
        changed.push_back(vx::bench::millisecondsOf(start));
        start = vx::bench::Clock::now();
        vxs::Reply same = vxs::feedReply(token, feeds, "127.0.0.1:8460", "", "");
        full.push_back(vx::bench::millisecondsOf(start));
        bytes = same.body.size();
        start = vx::bench::Clock::now();
        vxs::Reply again = vxs::feedReply(token, feeds, "127.0.0.1:8460", r.headers.at(0).second, "");
        conditional.push_back(vx::bench::millisecondsOf(start));
        if (r.status != 200 || same.body != r.body || again.status != 304)
            return std::fprintf(stderr, "unexpected reply\n"), 1;
        // The answer written out, against the same bytes written from memory.
        vxs::SharedShow movedAgain = moved;
        movedAgain.day = 1 + (run + 14) % 28;
        if (!sharing.addShow("bench", movedAgain)) return std::fprintf(stderr, "moved show refused\n"), 1;
        // Which of the two goes first alternates, so neither always finds the reader waiting.
        double answer = 0, fromMemory = 0;
        for (int turn = 0; turn < 2; ++turn) {
            start = vx::bench::Clock::now();
            if ((turn == 0) == (run % 2 == 0)) {
                const vxs::Reply written = vxs::feedReply(token, feeds, "127.0.0.1:8460", "", "");
                if (!socket.write(written.body)) return std::fprintf(stderr, "socket write failed\n"), 1;
                answer = vx::bench::millisecondsOf(start);
            } else {
                if (!socket.write(r.body)) return std::fprintf(stderr, "socket write failed\n"), 1;
                fromMemory = vx::bench::millisecondsOf(start);
            }
        }
        answered.push_back(answer);
        floor.push_back(fromMemory);
        ratios.push_back(answered.back() / floor.back());
    }
    std::printf("feed of %d shows (%zu bytes), first request after a change: min %.2f ms, median %.2f ms\n",
                limits.maxShowsPerUser, bytes, *std::min_element(changed.begin(), changed.end()),
                vx::bench::median(changed));
    std::printf(
        "first request after a change, its body written to a socket: min %.2f ms, median %.2f ms; "
        "the same bytes written from memory: min %.2f ms, median %.2f ms; ratio min %.2f, median %.2f\n",
        *std::min_element(answered.begin(), answered.end()), vx::bench::median(answered),
        *std::min_element(floor.begin(), floor.end()), vx::bench::median(floor),
        *std::min_element(ratios.begin(), ratios.end()), vx::bench::median(ratios));
    std::printf("the same feed requested again: min %.2f ms, median %.2f ms\n",
                *std::min_element(full.begin(), full.end()), vx::bench::median(full));
    std::printf("conditional request answered 304: min %.2f ms, median %.2f ms\n",
                *std::min_element(conditional.begin(), conditional.end()), vx::bench::median(conditional));
}
