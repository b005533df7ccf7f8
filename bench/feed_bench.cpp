// The calendar feed of an account sharing 5,000 shows, as many as an account may: each run looks the token
// up, reads the shows and writes the whole feed, as the first request after a change does; then the same feed
// served again, and the conditional request a current client makes. Min and median of 50 runs each.
#include "bench/bench_timing.h"
#include "service/feed_replies.h"

#include <cstdio>

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
    std::vector<double> changed, full, conditional;
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
    }
    std::printf("feed of %d shows (%zu bytes), first request after a change: min %.2f ms, median %.2f ms\n",
                limits.maxShowsPerUser, bytes, *std::min_element(changed.begin(), changed.end()),
                vx::bench::median(changed));
    std::printf("the same feed requested again: min %.2f ms, median %.2f ms\n",
                *std::min_element(full.begin(), full.end()), vx::bench::median(full));
    std::printf("conditional request answered 304: min %.2f ms, median %.2f ms\n",
                *std::min_element(conditional.begin(), conditional.end()), vx::bench::median(conditional));
}
