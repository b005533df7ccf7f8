// The change tracking of one refresh with 5,000 chosen shows: every tenth moved, every tenth
// gone (so cancelled), the rest listed as before, and 500 new shows of 1,000 artists with plays.
// Prints the minimum and the median over the runs; the lists are built anew for each run and
// not timed.
#include "bench/bench_timing.h"
#include "common/fixed_text.h"
#include "plugin/model/show_identity.h"

#include <cstdio>

namespace {

constexpr int kChosen = 5000;
constexpr int kRuns = 30;

SHOWENTRY* show(int i, int dayShift) {
    auto* e = new SHOWENTRY;
    vx::copyText(e->artist, vx::bench::libraryName(i % 1000).c_str());
    vx::copyText(e->venue, ("Venue " + std::to_string(i % 300)).c_str());
    vx::copyText(e->url, ("http://source.example/event/" + std::to_string(i)).c_str());
    e->year = 2027 + i / 336;
    e->month = 1 + (i / 28) % 12;
    e->day = 1 + (i + dayShift) % 28;
    return e;
}

} // namespace

int main() {
    std::vector<double> times;
    std::size_t changes = 0;
    std::unordered_set<std::string> mostPlayed;
    for (int a = 0; a < 1000; ++a)
        mostPlayed.insert(cleanedName(vx::bench::libraryName(a).c_str()));
    for (int run = 0; run < kRuns; ++run) {
        SHOWLIST before, current;
        for (int i = 0; i < kChosen; ++i) {
            SHOWENTRY* e = show(i, 0);
            e->selected = true;
            before.addShow(e, nullptr);
        }
        for (int i = 0; i < kChosen + 500; ++i) {
            if (i < kChosen && i % 10 == 5) continue;               // gone
            current.addShow(show(i, i % 10 == 3 ? 1 : 0), &before); // moved a day
        }
        ChangeRules rules;
        rules.samePlace = rules.sourcesAsUsual = true;
        rules.todayYear = 2026, rules.todayMonth = 12, rules.todayDay = 9;
        rules.mostPlayed = &mostPlayed;
        const auto start = vx::bench::Clock::now();
        changes = trackShowChanges(current, before, rules).size();
        times.push_back(vx::bench::millisecondsOf(start));
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "change tracking of %d chosen shows (%zu changes): min %.2f ms, median %.2f ms over %d runs\n",
        kChosen, changes, times.front(), vx::bench::median(times), kRuns);
    return 0;
}
