#include "plugin/matching/concert_matching.h"

#include "common/fixed_text.h"
#include "plugin/matching/view_copy.h"
#include "plugin/model/text_helpers.h"

#include <cstring>
#include <mutex>

namespace {

using vx::copyView;

void cleanPerformer(std::string_view performer, std::string& cleaned) {
    char form[256];
    cleaned.assign(form, cleanArtistInto(performer, form));
}

} // namespace

void LibraryArtistIndex::rebuild(const XML_Artist_List& artists) {
    names_.clear();
    names_.reserve(artists.count);
    for (const XMLARTIST* a = artists.head; a; a = a->next)
        names_.insert(a->name);
}

SHOWENTRY* makeShow(const SourceEvent& event, const std::vector<std::string>& cleaned, std::size_t matched,
                    const EventDate& date, bool ticketsAvailable) {
    auto* show = new SHOWENTRY;
    copyView(show->artist, sizeof show->artist, event.performers[matched]);
    copyView(show->venue, sizeof show->venue, event.venue);
    show->day = date.day;
    show->month = date.month;
    show->year = date.year;
    bool first = true;
    for (std::size_t i = 0; i < event.performers.size(); ++i) {
        if (cleaned[i] == cleaned[matched]) continue;
        char name[1024];
        copyView(name, sizeof name, event.performers[i]);
        if (!first) vx::appendText(show->otherArtists, ", ");
        vx::appendText(show->otherArtists, name);
        first = false;
    }
    copyView(show->url, sizeof show->url, event.url);
    char place[256];
    copyView(place, sizeof place, event.city);
    vx::appendText(place, ", ");
    char region[256];
    copyView(region, sizeof region, event.region);
    vx::appendText(place, region);
    vx::copyText(show->location, place);
    show->ticketsAvailable = ticketsAvailable;
    return show;
}

int readSourcePage(std::string_view page, bool ticketsAvailable, XML_Artist_List& artists, SHOWLIST& concerts,
                   SHOWLIST* previous, const std::function<bool()>& stop) {
    // The library list's lock is held for a run of events at a time, not the whole page, and a
    // thread waiting for it is let in between two runs, so that a large page never keeps another
    // thread from the list for long; the index of its names is built again only when the list
    // changed meanwhile.
    constexpr int kEventsPerHold = 256;
    std::unique_lock<ListMutex> artistsHeld(artists.mutex, std::defer_lock);
    int heldEvents = 0;
    LibraryArtistIndex index;
    bool indexed = false;
    uint64_t indexedChanges = 0;
    std::vector<std::string> cleaned;
    const bool read = readSourceEvents(page, [&](const SourceEvent& event) {
        if (stop()) return false;
        EventDate date;
        // An event whose date is no calendar day would be drawn nowhere: it makes no show.
        if (!readEventDate(event.date, date)) return true;
        // The strings are kept from event to event, so cleaning a name allocates nothing.
        if (cleaned.size() < event.performers.size()) cleaned.resize(event.performers.size());
        for (std::size_t i = 0; i < event.performers.size(); ++i)
            cleanPerformer(event.performers[i], cleaned[i]);
        if (!artistsHeld.owns_lock()) artistsHeld.lock();
        if (!indexed || artists.changes != indexedChanges) {
            index.rebuild(artists);
            indexed = true;
            indexedChanges = artists.changes;
        }
        for (std::size_t i = 0; i < event.performers.size(); ++i) {
            if (!index.contains(cleaned[i])) continue;
            // A full list takes no more: the rest of the page is not worth matching.
            if (concerts.full()) return false;
            // addShow frees a show it merges into an equal one; nothing here touches it after.
            concerts.addShow(makeShow(event, cleaned, i, date, ticketsAvailable), previous);
        }
        if (++heldEvents == kEventsPerHold) {
            artists.mutex.letWaiterIn();
            heldEvents = 0;
        }
        return true;
    });
    return read || !stop() ? 0 : -1;
}
