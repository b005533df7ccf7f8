#include "plugin/matching/release_matching.h"

#include "common/fixed_text.h"
#include "plugin/matching/concert_matching.h"
#include "plugin/matching/view_copy.h"
#include "plugin/model/text_helpers.h"
#include "plugin/net/release_page.h"

#include <cstring>
#include <mutex>
#include <string>

namespace {

using vx::copyView;

SHOWENTRY* makeRelease(const ReleaseLine& line, const ReleaseDate& date, const char* url) {
    auto* release = new SHOWENTRY;
    copyView(release->artist, sizeof release->artist, line.artist);
    copyView(release->venue, sizeof release->venue, line.title);
    release->year = date.year;
    release->month = date.month;
    release->day = date.day;
    vx::copyText(release->url, url);
    FRIENDLIST formats;
    for (const std::string& name : releaseFormats(line.formats))
        formats.add(new FRIENDNAME(name.c_str()));
    release->nameList->combine(&formats);
    return release;
}

} // namespace

void releaseClickThroughURL(char (&url)[512], const char* serviceHost, std::string_view link,
                            const ConcertSearchPlace& place) {
    char id[128];
    copyView(id, sizeof id, link);
    // Built piece by piece: a link longer than the record's text is cut, never grown.
    vx::copyText(url, "http://");
    vx::appendText(url, serviceHost);
    vx::appendText(url, "/CDReleases/cdreleaseclickthrough.php?ASIN=");
    vx::appendText(url, id);
    vx::appendText(url, "&CITY=");
    vx::appendText(url, place.city);
    vx::appendText(url, "&STATE=");
    vx::appendText(url, place.region);
}

std::size_t addLibraryReleases(std::string_view page, const char* serviceHost,
                               const ConcertSearchPlace& place, XML_Artist_List& artists, SHOWLIST& releases,
                               SHOWLIST* previous) {
    std::lock_guard<ListMutex> artistsHeld(artists.mutex);
    LibraryArtistIndex index;
    index.rebuild(artists);
    std::size_t matched = 0;
    readReleaseLines(page, [&](const ReleaseLine& line) {
        ReleaseDate date;
        // A release whose date is no calendar day would be drawn nowhere: it makes no record.
        if (!readReleaseDate(line.date, date)) return true;
        char name[256];
        cleanArtistInto(line.artist, name);
        if (!index.contains(name)) return true;
        // A full list takes no more: the rest of the page is not worth matching.
        if (releases.full()) return false;
        char url[512];
        releaseClickThroughURL(url, serviceHost, line.link, place);
        // addShow frees a record it merges into an equal one; nothing here touches it after.
        releases.addShow(makeRelease(line, date, url), previous);
        ++matched;
        return true;
    });
    return matched;
}
