// The album step's reading of release pages: ten pages of 5,000 release lines against a library
// of 20,000 artists, through the index; and in the same run, for scale, the walk from the artist
// list's head for every line, on a smaller set, checked to find the same releases.
#include "bench/bench_timing.h"
#include "common/fixed_text.h"
#include "plugin/matching/release_matching.h"
#include "plugin/model/text_helpers.h"
#include "plugin/net/concert_search_place.h"
#include "plugin/net/release_page.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace vx::bench;

namespace {

constexpr int kPages = 10;
constexpr int kLinesPerPage = 5000;
constexpr int kLibraryArtists = 20000;
constexpr int kRuns = 5;
constexpr int kWalkedLines = 1000;

// One line in ten is a library artist's release; the others are strangers'.
std::string releasePage(int page, int lines) {
    std::string text;
    text.reserve(static_cast<std::size_t>(lines) * 140);
    for (int l = 0; l < lines; ++l) {
        const int n = page * lines + l;
        const std::string artist = n % 10 == 0 ? libraryName((n * 7919) % kLibraryArtists)
                                               : "Stranger " + std::to_string(n) + " Quartet";
        text += "<D>" + std::to_string(2027 + n % 2) + "-" + std::to_string(1 + n % 12) + "-" +
                std::to_string(1 + n % 28) + "</D><A>" + artist + "</A><T>Album " + std::to_string(n) +
                "</T><F>CD@@" + (n % 3 ? "Import@@" : "") + "</F><L>B0" + std::to_string(n) + "</L>\n";
    }
    return text;
}

// The releases read by walking the artist list from its head for every line.
std::size_t walkFromHead(const std::string& page, const ConcertSearchPlace& place, XML_Artist_List& library,
                         SHOWLIST& releases) {
    std::size_t matched = 0;
    readReleaseLines(page, [&](const ReleaseLine& line) {
        ReleaseDate date;
        if (!readReleaseDate(line.date, date)) return true;
        char name[256];
        const std::size_t n = std::min<std::size_t>(line.artist.size(), 255);
        std::memcpy(name, line.artist.data(), n);
        name[n] = '\0';
        cleanArtist(name);
        for (const XMLARTIST* a = library.head; a; a = a->next)
            if (name[0] && std::strcmp(a->name, name) == 0) {
                auto* r = new SHOWENTRY;
                std::memcpy(r->artist, line.artist.data(), n);
                r->year = date.year;
                r->month = date.month;
                r->day = date.day;
                char url[512];
                releaseClickThroughURL(url, "127.0.0.1:8460", line.link, place);
                vx::copyText(r->url, url);
                releases.addShow(r, nullptr);
                ++matched;
                break;
            }
        return true;
    });
    return matched;
}

} // namespace

int main() {
    XML_Artist_List library;
    for (int i = 0; i < kLibraryArtists; ++i)
        library.add(new XMLARTIST(cleanedName(libraryName(i).c_str()).c_str()));
    std::printf("library: %u artists\n", library.size());
    const ConcertSearchPlace place = concertSearchPlace("San Jose", "California", 0);

    std::vector<std::string> pages;
    for (int p = 0; p < kPages; ++p)
        pages.push_back(releasePage(p, kLinesPerPage));
    std::vector<double> runs;
    std::size_t matched = 0, records = 0;
    for (int r = 0; r < kRuns; ++r) {
        SHOWLIST releases;
        SHOWLIST previous;
        matched = 0;
        const Clock::time_point start = Clock::now();
        for (const std::string& page : pages)
            matched += addLibraryReleases(page, "127.0.0.1:8460", place, library, releases, &previous);
        runs.push_back(millisecondsOf(start));
        records = releases.size();
    }
    std::printf("%d pages of %d release lines, index: %.1f ms (median of %d), %zu matched, %zu records\n",
                kPages, kLinesPerPage, median(runs), kRuns, matched, records);

    // The walk on the first lines, scaled up to the ten pages; both ways must find the same.
    const std::string small = releasePage(0, kWalkedLines);
    SHOWLIST walked;
    const Clock::time_point start = Clock::now();
    const std::size_t walkMatched = walkFromHead(small, place, library, walked);
    const double walkMs = millisecondsOf(start);
    SHOWLIST indexed;
    const std::size_t indexMatched =
        addLibraryReleases(small, "127.0.0.1:8460", place, library, indexed, nullptr);
    bool same = walkMatched == indexMatched && walked.size() == indexed.size();
    for (const SHOWENTRY *a = walked.head, *b = indexed.head; same && a && b; a = a->next, b = b->next)
        same = std::strcmp(a->artist, b->artist) == 0 && std::strcmp(a->url, b->url) == 0 &&
               compareDates(a, b) == 0;
    std::printf("%d release lines, walk from the head: %.1f ms (%zu matched), about %.0f ms for %d lines; "
                "same releases as the index: %s\n",
                kWalkedLines, walkMs, walkMatched, walkMs * kPages * kLinesPerPage / kWalkedLines,
                kPages * kLinesPerPage, same ? "yes" : "NO");
    return same ? 0 : 1;
}
