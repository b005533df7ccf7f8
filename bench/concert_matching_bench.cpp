// The concert search's reading of a source page: 100,000 events (three performers each) against
// a library of 20,000 artists. Figures: the whole page into shows; the matching alone (clean and
// look up every performer); and, for scale, the walk from the list's head that the index replaces.
#include "bench/bench_timing.h"
#include "plugin/matching/concert_matching.h"
#include "plugin/model/text_helpers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

using namespace vx::bench;

namespace {

constexpr int kEvents = 100000;
constexpr int kLibraryArtists = 20000;
constexpr int kRuns = 5;
constexpr int kWalkedEvents = 1000;

// Every matchEvery-th event has a library artist on its bill, between two strangers.
std::string sourcePage(int events, int matchEvery) {
    std::string page;
    page.reserve(static_cast<std::size_t>(events) * 330);
    for (int e = 0; e < events; ++e) {
        const int artist = (e * 7919) % kLibraryArtists;
        page += "<event>\n<artist>Stranger " + std::to_string(e) + " Trio</artist>\n";
        if (e % matchEvery == 0) page += "<artist>" + libraryName(artist) + "</artist>\n";
        page += "<artist>Opening Act " + std::to_string(e % 977) + "</artist>\n";
        page += "<event_date>" + std::to_string(1 + e % 12) + "/" + std::to_string(1 + e % 28) + "/" +
                std::to_string(2027 + e % 2) + "</event_date>\n";
        page += "<venue_name>Hall " + std::to_string(e % 300) + "</venue_name>\n";
        page += "<event_url>http://source.example/event/" + std::to_string(e) + "</event_url>\n";
        page += "<venue_city>San Jose</venue_city>\n<venue_state>CA</venue_state>\n</event>\n";
    }
    return page;
}

void fillLibrary(XML_Artist_List& library) {
    for (int i = 0; i < kLibraryArtists; ++i) {
        char name[256];
        std::snprintf(name, sizeof name, "%s", libraryName(i).c_str());
        cleanArtist(name);
        library.add(new XMLARTIST(name));
    }
}

// Adds count shows of distinct artists on dates spread over two years (one in ten repeating an
// earlier show, to merge) to a list whose older list holds the same shows; milliseconds.
double timeAddShows(int count) {
    SHOWLIST older, list;
    auto make = [](int i) {
        auto* e = new SHOWENTRY;
        const int n = i % 10 == 9 ? i - 5 : i;
        std::snprintf(e->artist, sizeof e->artist, "Band %d", n);
        e->year = 2027 + n % 2;
        e->month = 1 + n % 12;
        e->day = 1 + (n * 7) % 28;
        return e;
    };
    for (int i = 0; i < count; ++i)
        older.addShow(make(i), nullptr);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i)
        list.addShow(make(i), &older);
    return millisecondsOf(start);
}

// The longest the library list's lock is kept from another thread while a page is read: a
// second thread takes and drops it over and over and keeps its longest wait.
double longestArtistsWait(const std::string& page, XML_Artist_List& library, std::size_t* shows) {
    SHOWLIST concerts, previous;
    std::atomic<bool> reading{true};
    double longest = 0;
    std::thread prober([&] {
        while (reading) {
            const Clock::time_point asked = Clock::now();
            library.lock();
            library.unlock();
            longest = std::max(longest, millisecondsOf(asked));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    readSourcePage(page, false, library, concerts, &previous, [] { return false; });
    reading = false;
    prober.join();
    *shows = concerts.size();
    return longest;
}

// A performer as the matcher looks it up: its first 255 bytes cleaned.
struct CleanedName {
    char text[256];
    explicit CleanedName(std::string_view performer) { cleanArtistInto(performer, text); }
};

} // namespace

int main() {
    for (int count : {5000, 50000})
        std::printf("addShow of %d shows (older list of as many): %.1f ms\n", count, timeAddShows(count));
    XML_Artist_List library;
    fillLibrary(library);
    std::printf("library: %u artists\n", library.size());

    const std::string realistic = sourcePage(kEvents, 20);
    std::vector<double> pageRuns;
    std::size_t shows = 0;
    for (int r = 0; r < kRuns; ++r) {
        SHOWLIST concerts;
        SHOWLIST previous;
        const Clock::time_point start = Clock::now();
        readSourcePage(realistic, false, library, concerts, &previous, [] { return false; });
        pageRuns.push_back(millisecondsOf(start));
        shows = concerts.size();
    }
    std::printf(
        "source page, %d events, one in 20 with a library artist: %.1f ms (median of %d), %zu shows\n",
        kEvents, median(pageRuns), kRuns, shows);
    for (int every : {20, 1}) {
        std::size_t made = 0;
        const double wait = longestArtistsWait(sourcePage(kEvents, every), library, &made);
        std::printf("longest wait for the library list while a page of %d events (one in %d matching, %zu "
                    "shows) is read: %.2f ms\n",
                    kEvents, every, made, wait);
    }

    // Matching alone: every event has a library artist, nothing is added to a list.
    const std::string everyEvent = sourcePage(kEvents, 1);
    std::vector<double> matchRuns;
    long matched = 0;
    for (int r = 0; r < kRuns; ++r) {
        const Clock::time_point start = Clock::now();
        LibraryArtistIndex index;
        index.rebuild(library);
        matched = 0;
        readSourceEvents(everyEvent, [&](const SourceEvent& event) {
            for (std::string_view performer : event.performers) {
                CleanedName name(performer);
                if (index.contains(name.text)) ++matched;
            }
            return true;
        });
        matchRuns.push_back(millisecondsOf(start));
    }
    std::printf("matching, %d events (%d performers), index: %.1f ms (median of %d), %ld matched\n", kEvents,
                kEvents * 3, median(matchRuns), kRuns, matched);

    // The floor: the same performers, already cut out and cleaned, looked up in a plain hash set.
    std::vector<std::string> performers;
    readSourceEvents(everyEvent, [&](const SourceEvent& event) {
        for (std::string_view performer : event.performers)
            performers.emplace_back(CleanedName(performer).text);
        return true;
    });
    std::unordered_set<std::string> names;
    for (const XMLARTIST* a = library.head; a; a = a->next)
        names.insert(a->name);
    std::vector<double> floorRuns;
    long floorMatched = 0;
    for (int r = 0; r < kRuns; ++r) {
        const Clock::time_point start = Clock::now();
        floorMatched = 0;
        for (const std::string& performer : performers)
            floorMatched += static_cast<long>(names.count(performer));
        floorRuns.push_back(millisecondsOf(start));
    }
    std::printf("the same %zu performers cleaned beforehand, in a plain hash set: %.1f ms (median of %d), "
                "%ld matched\n",
                performers.size(), median(floorRuns), kRuns, floorMatched);

    // The walk from the head for the first events, scaled up to the whole page.
    const std::string walked = sourcePage(kWalkedEvents, 1);
    long walkMatched = 0;
    const Clock::time_point start = Clock::now();
    readSourceEvents(walked, [&](const SourceEvent& event) {
        for (std::string_view performer : event.performers) {
            char name[256];
            const std::size_t n = std::min<std::size_t>(performer.size(), 255);
            std::memcpy(name, performer.data(), n);
            name[n] = '\0';
            cleanArtist(name);
            for (const XMLARTIST* a = library.head; a; a = a->next)
                if (name[0] && std::strcmp(a->name, name) == 0) {
                    ++walkMatched;
                    break;
                }
        }
        return true;
    });
    const double walkMs = millisecondsOf(start);
    std::printf(
        "matching, %d events, walk from the head: %.1f ms (%ld matched), about %.0f ms for %d events\n",
        kWalkedEvents, walkMs, walkMatched, walkMs * kEvents / kWalkedEvents, kEvents);
    return 0;
}
