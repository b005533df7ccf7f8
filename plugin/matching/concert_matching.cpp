#include "plugin/matching/concert_matching.h"

#include "common/fixed_text.h"
#include "common/musicbrainz_id.h"
#include "plugin/matching/view_copy.h"
#include "plugin/model/show_time.h"
#include "plugin/model/text_helpers.h"

#include <cstring>
#include <memory>
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
    ids_.clear();
    idOfName_.clear();
    text_.clear();
    std::size_t bytes = 0, withIds = 0;
    for (const XMLARTIST* a = artists.head; a; a = a->next) {
        bytes += std::strlen(a->name) + std::strlen(a->mbid);
        withIds += a->mbid[0] != '\0';
    }
    text_.reserve(bytes); // the views below stay valid: nothing appended moves the text
    for (const XMLARTIST* a = artists.head; a; a = a->next)
        text_.append(a->name).append(a->mbid);
    names_.reserve(artists.count);
    ids_.reserve(withIds);
    std::size_t at = 0;
    for (const XMLARTIST* a = artists.head; a; a = a->next) {
        const std::size_t length = std::strlen(a->name), idLength = std::strlen(a->mbid);
        const std::string_view name = std::string_view(text_).substr(at, length);
        names_.insert(name);
        if (idLength) {
            const std::string_view id = std::string_view(text_).substr(at + length, idLength);
            ids_.insert(id);
            idOfName_.emplace(name, id);
        }
        at += length + idLength;
    }
}

bool LibraryArtistIndex::wants(std::string_view cleaned, std::string_view pageId) const {
    // Ids are kept in lower case; a page may write one in capitals.
    char id[vx::kMusicBrainzIdLength];
    const bool hasId = ids_.size() != 0 && vx::isMusicBrainzId(pageId);
    if (hasId) {
        for (std::size_t i = 0; i < sizeof id; ++i)
            id[i] =
                pageId[i] >= 'A' && pageId[i] <= 'F' ? static_cast<char>(pageId[i] - 'A' + 'a') : pageId[i];
        if (ids_.contains({id, sizeof id})) return true;
    }
    if (!contains(cleaned)) return false;
    return !hasId || !idOfName_.contains(cleaned);
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
    vx::setShowTime(*show, event.time, event.zone);
    return show;
}

int readSourcePage(std::string_view page, bool ticketsAvailable, XML_Artist_List& artists, SHOWLIST& concerts,
                   SHOWLIST* previous, const std::function<bool()>& stop, const Trip* within) {
    // The list's names are matched from an index made once for the list as it stands and kept
    // with it, so a refresh's places share one; a look every few hundred performers takes the
    // index anew when the list changed meanwhile.
    constexpr int kPerformersPerLook = 256;
    int performersSinceLook = 0;
    std::shared_ptr<const LibraryArtistIndex> index;
    auto lookAtLibrary = [&] {
        std::lock_guard<ListMutex> held(artists.mutex);
        if (!artists.readerIndex || artists.indexedChanges != artists.changes) {
            auto fresh = std::make_shared<LibraryArtistIndex>();
            fresh->rebuild(artists);
            artists.readerIndex = std::move(fresh);
            artists.indexedChanges = artists.changes;
        }
        index = std::static_pointer_cast<const LibraryArtistIndex>(artists.readerIndex);
    };
    lookAtLibrary();
    // Most events name no library artist: their performers are cleaned and looked up (with their
    // ids, so one spelt otherwise is still found), and only an event with a match is read whole.
    auto wanted = [&](std::string_view performer, std::string_view id) {
        if (++performersSinceLook == kPerformersPerLook) {
            performersSinceLook = 0;
            if (stop()) return Performer::kStop;
            lookAtLibrary();
        }
        char form[256];
        return index->wants({form, cleanArtistInto(performer, form)}, id) ? Performer::kWanted
                                                                          : Performer::kUnwanted;
    };
    // A trip's page is screened by date first: most of its events fall outside the trip.
    std::function<bool(std::string_view)> insideTrip;
    if (within)
        insideTrip = [within](std::string_view text) {
            EventDate date;
            return readEventDate(text, date) && tripCovers(*within, {date.year, date.month, date.day});
        };
    std::vector<std::string> cleaned;
    auto take = [&](const SourceEvent& event) {
        if (stop()) return false;
        EventDate date;
        // An event whose date is no calendar day would be drawn nowhere: it makes no show.
        if (!readEventDate(event.date, date)) return true;
        if (within && !tripCovers(*within, {date.year, date.month, date.day})) return true;
        // The strings are kept from event to event, so cleaning a name allocates nothing.
        if (cleaned.size() < event.performers.size()) cleaned.resize(event.performers.size());
        for (std::size_t i = 0; i < event.performers.size(); ++i)
            cleanPerformer(event.performers[i], cleaned[i]);
        for (std::size_t i = 0; i < event.performers.size(); ++i) {
            if (!index->wants(cleaned[i], event.performerIds[i])) continue;
            // A full list takes no more: the rest of the page is not worth matching.
            if (concerts.full()) return false;
            // addShow frees a show it merges into an equal one; nothing here touches it after.
            concerts.addShow(makeShow(event, cleaned, i, date, ticketsAvailable), previous);
        }
        return true;
    };
    const bool read = readWantedSourceEvents(page, wanted, take, insideTrip);
    return read || !stop() ? 0 : -1;
}
