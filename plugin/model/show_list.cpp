#include "plugin/model/show_list.h"

#include "common/fixed_text.h"
#include "platform/system.h"
#include "plugin/model/linked_records.h"
#include "plugin/model/protected_data.h"
#include "plugin/model/record_pool.h"
#include "plugin/model/text_helpers.h"

#include <atomic>
#include <cstring>
#include <new>
#include <string>

namespace {
std::atomic<ProtectedData*> filterStore{nullptr};

bool hiddenByFilters(SHOWENTRY* e) {
    ProtectedData* store = filterStore.load();
    return store && store->isFilterOn(e->nameList);
}

} // namespace

void setFormatFilterStore(ProtectedData* store) {
    filterStore.store(store);
}
ProtectedData* formatFilterStore() {
    return filterStore.load();
}

int compareDates(const SHOWENTRY* a, const SHOWENTRY* b) {
    if (a->year != b->year) return a->year < b->year ? -1 : 1;
    if (a->month != b->month) return a->month < b->month ? -1 : 1;
    if (a->day != b->day) return a->day < b->day ? -1 : 1;
    return 0;
}

namespace {

// The pool once made, for the release at unload, which must not make one of its own.
std::atomic<RecordPool*> madePool{nullptr};

// Never destroyed, and in static storage: lists that live until exit give their records back
// after static destructors, and a heap object would be left unreferenced when the bundle unloads.
RecordPool& showRecords() {
    alignas(RecordPool) static unsigned char storage[sizeof(RecordPool)];
    static RecordPool& pool = []() -> RecordPool& {
        auto* made = new (storage) RecordPool(sizeof(SHOWENTRY));
        madePool = made;
        return *made;
    }();
    return pool;
}

} // namespace

void* SHOWENTRY::operator new(std::size_t bytes) {
    return showRecords().take(bytes);
}

void SHOWENTRY::operator delete(void* record, std::size_t bytes) noexcept {
    showRecords().give(record, bytes);
}

void SHOWENTRY::releaseSpareRecords() {
    if (RecordPool* pool = madePool.load()) pool->releaseEmpty();
}

SHOWENTRY::SHOWENTRY() : nameList(new FRIENDLIST) {
    for (char* text :
         {artist, venue, otherArtists, url, startTime, timeZone, uid, movedVenue, foundCity, foundState})
        text[0] = '\0';
    vx::copyText(location, "-");
}
SHOWENTRY::~SHOWENTRY() {
    delete nameList;
}

SHOWLIST::~SHOWLIST() {
    clear();
}

uint32_t SHOWLIST::filteredSize() {
    uint32_t n = 0;
    for (SHOWENTRY* e = head; e; e = e->next)
        if (!hiddenByFilters(e)) ++n;
    return n;
}

void SHOWLIST::clear() {
    std::lock_guard<ListMutex> guard(mutex);
    vx::freeRecords(head, tail, count);
    byShow.clear();
    firstOfDate.clear();
}

SHOWENTRY* SHOWLIST::takeEntries() {
    std::lock_guard<ListMutex> guard(mutex);
    SHOWENTRY* chain = head;
    head = tail = nullptr;
    count = 0;
    byShow.clear();
    firstOfDate.clear();
    return chain;
}

bool SHOWLIST::addShow(SHOWENTRY* entry, SHOWLIST* older, bool beyondCap) {
    if (!entry) return false;
    std::lock_guard<ListMutex> guard(mutex);
    // The key: the date's bytes, then the cleaned artist.
    const DateKey date = dateKey(entry);
    char form[256];
    const std::size_t length = cleanArtistInto(entry->artist, form);
    char keyBytes[sizeof date + sizeof form];
    std::memcpy(keyBytes, &date, sizeof date);
    std::memcpy(keyBytes + sizeof date, form, length);
    const std::string_view key(keyBytes, sizeof date + length);
    const std::size_t hash = ShowKeyIndex::hashOf(key);
    if (older && older != this) {
        // The first entry of the same date and cleaned artist in the older list: its only one.
        if (const SHOWENTRY* o = older->byShow.find(key, hash)) {
            entry->selected = o->selected;
            if (!entry->uid[0]) vx::copyText(entry->uid, o->uid);
        }
    }
    if (SHOWENTRY* same = byShow.find(key, hash)) {
        same->nameList->combine(entry->nameList);
        delete entry;
        return false;
    }
    if (count >= kMostShows && !beyondCap) {
        delete entry;
        return false;
    }
    if (!entry->uid[0]) vx::copyText(entry->uid, vx::newUuidString().c_str());
    // Before the first entry of a later date: after every entry of this date and earlier ones.
    auto later = firstOfDate.upper_bound(date);
    SHOWENTRY* at = later == firstOfDate.end() ? nullptr : later->second;
    vx::linkRecordBefore(entry, at, head, tail, count);
    byShow.insert(key, hash, entry);
    firstOfDate.emplace(date, entry); // kept when the date already has its first entry
    return true;
}

bool SHOWLIST::full() {
    std::lock_guard<ListMutex> guard(mutex);
    return count >= kMostShows;
}

SHOWENTRY* SHOWLIST::findShow(const char* artist) {
    if (!artist) return nullptr;
    std::lock_guard<ListMutex> guard(mutex);
    const std::string wanted = cleanedName(artist);
    // A cancelled show is no upcoming one.
    for (SHOWENTRY* e = head; e; e = e->next)
        if (!e->cancelled && cleanedName(e->artist) == wanted) return e;
    return nullptr;
}

SHOWENTRY* SHOWLIST::findAlbum(const char* artist) {
    if (!artist) return nullptr;
    std::lock_guard<ListMutex> guard(mutex);
    const std::string wanted = cleanedName(artist);
    for (SHOWENTRY* e = head; e; e = e->next)
        if (!hiddenByFilters(e) && cleanedName(e->artist) == wanted) return e;
    return nullptr;
}
