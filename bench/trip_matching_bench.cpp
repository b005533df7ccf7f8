// A refresh's matching with home and ten trips against home alone: each place's source page of
// 100,000 events is read against a library of 20,000 artists, and each trip's shows inside its
// dates join the list, as the refresh does. Places with pages of their own, and ten trips to one
// place (searched once, as the refresh searches each place once). The trips' pages are matched
// side by side, beside home's, and each trip's shows join the list as its page ends, as the
// refresh does it. Each case keeps its last list, from which choices are carried over, as the
// plug-in keeps its own; the first runs fill the lists, so the median is of eleven.
#include "bench/bench_timing.h"
#include "plugin/engine/side_by_side.h"
#include "plugin/engine/trip_search_step.h"
#include "plugin/matching/concert_matching.h"
#include "plugin/model/text_helpers.h"

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace vx::bench;

namespace {

constexpr int kEvents = 100000;
constexpr int kLibraryArtists = 20000;
constexpr int kTrips = 10;
constexpr int kRuns = 11;

// A place's page: one event in 20 has a library artist; place shifts the artists and dates.
std::string sourcePage(int place, int events = kEvents) {
    std::string page;
    page.reserve(static_cast<std::size_t>(events) * 330);
    for (int e = 0; e < events; ++e) {
        const int artist = (e * 7919 + place * 104729) % kLibraryArtists;
        page += "<event>\n<artist>Stranger " + std::to_string(e) + " Trio</artist>\n";
        if (e % 20 == 0) page += "<artist>" + libraryName(artist) + "</artist>\n";
        page += "<event_date>" + std::to_string(1 + (e + place) % 12) + "/" + std::to_string(1 + e % 28) +
                "/2099</event_date>\n<venue_name>Hall " + std::to_string(e % 300) +
                "</venue_name>\n<event_url>http://source.example/" + std::to_string(place) + "/" +
                std::to_string(e) + "</event_url>\n<venue_city>City " + std::to_string(place) +
                "</venue_city>\n<venue_state>CA</venue_state>\n</event>\n";
    }
    return page;
}

// A place's lists as the refresh keeps them: choices are carried over from the last refresh's
// list while the next one is built, and the list before that is freed as a refresh begins.
struct Lists {
    std::unique_ptr<SHOWLIST> current = std::make_unique<SHOWLIST>();
    std::unique_ptr<SHOWLIST> previous = std::make_unique<SHOWLIST>();
    void startNew() {
        previous = std::move(current);
        current = std::make_unique<SHOWLIST>();
    }
};

// The trips' pages side by side into lists of their own on a thread of their own while home's
// page is read into the list, as the refresh does, then their dates' shows into the list;
// milliseconds, and the shows it ends with.
double timeRefresh(const std::vector<const std::string*>& tripPages, const std::string& home,
                   XML_Artist_List& library, Lists& lists, std::size_t* shows) {
    // The list from two refreshes back is freed before the refresh fetches: no part of matching.
    lists.startNew();
    const Clock::time_point start = Clock::now();
    SHOWLIST& concerts = *lists.current;
    SHOWLIST* previous = lists.previous.get();
    std::vector<Trip> trips;
    for (std::size_t t = 0; t < tripPages.size(); ++t)
        trips.push_back({"City",
                         "CA",
                         300,
                         {2099, static_cast<int32_t>(1 + t), 1},
                         {2099, static_cast<int32_t>(2 + t), 28}});
    std::vector<SHOWLIST> found(trips.size());
    std::mutex endMutex;
    std::condition_variable endChanged;
    std::vector<char> ended(trips.size(), 0);
    std::thread tripSearches([&] {
        runSideBySide(
            trips.size(),
            [&](std::size_t t) {
                readSourcePage(
                    *tripPages[t], false, library, found[t], previous, [] { return false; }, &trips[t]);
                const std::lock_guard<std::mutex> held(endMutex);
                ended[t] = 1;
                endChanged.notify_all();
            },
            4);
    });
    readSourcePage(home, false, library, concerts, previous, [] { return false; });
    for (std::size_t t = 0; t < trips.size(); ++t) {
        std::unique_lock<std::mutex> held(endMutex);
        endChanged.wait(held, [&] { return ended[t] != 0; });
        held.unlock();
        mergeTripShows(found[t], trips[t], concerts);
    }
    tripSearches.join();
    *shows = concerts.size();
    return millisecondsOf(start);
}

} // namespace

int main() {
    XML_Artist_List library;
    for (int i = 0; i < kLibraryArtists; ++i) {
        char name[256];
        std::snprintf(name, sizeof name, "%s", libraryName(i).c_str());
        cleanArtist(name);
        library.add(new XMLARTIST(name));
    }
    const std::string home = sourcePage(0);
    std::vector<std::string> pages;
    for (int t = 1; t <= kTrips; ++t)
        pages.push_back(sourcePage(t));
    std::vector<const std::string*> distinct, none, shares;
    for (const std::string& p : pages)
        distinct.push_back(&p);
    // The same 100,000 events shared out over home and the ten trips: what a place costs beyond
    // its events.
    const std::string homeShare = sourcePage(0, kEvents / (kTrips + 1));
    std::vector<std::string> sharePages;
    for (int t = 1; t <= kTrips; ++t)
        sharePages.push_back(sourcePage(t, kEvents / (kTrips + 1)));
    for (const std::string& p : sharePages)
        shares.push_back(&p);

    std::vector<double> alone, ten, samePlace, shared;
    std::size_t shows[4] = {};
    Lists lists[4];
    for (int r = 0; r < kRuns; ++r) {
        alone.push_back(timeRefresh(none, home, library, lists[0], &shows[0]));
        ten.push_back(timeRefresh(distinct, home, library, lists[1], &shows[1]));
        // Ten trips to one place are one search: home and that place's page once.
        samePlace.push_back(timeRefresh({distinct.front()}, home, library, lists[2], &shows[2]));
        shared.push_back(timeRefresh(shares, homeShare, library, lists[3], &shows[3]));
    }
    std::printf("home alone, %d events, %d artists: %.1f ms (median of %d), %zu shows\n", kEvents,
                kLibraryArtists, median(alone), kRuns, shows[0]);
    std::printf("home and %d trips, each place %d events: %.1f ms, %zu shows, ratio %.2f\n", kTrips, kEvents,
                median(ten), shows[1], median(ten) / median(alone));
    std::printf("home and %d trips to one place (searched once): %.1f ms, %zu shows, ratio %.2f\n", kTrips,
                median(samePlace), shows[2], median(samePlace) / median(alone));
    std::printf("home and %d trips sharing %d events: %.1f ms, %zu shows, ratio %.2f\n", kTrips, kEvents,
                median(shared), shows[3], median(shared) / median(alone));
    return 0;
}
