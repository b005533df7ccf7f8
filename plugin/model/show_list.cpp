#include "plugin/model/show_list.h"

#include "plugin/model/linked_records.h"
#include "plugin/model/protected_data.h"

#include <atomic>
#include <string>

namespace {
std::atomic<ProtectedData*> filterStore{nullptr};

bool hiddenByFilters(SHOWENTRY* e) {
    ProtectedData* store = filterStore.load();
    return store && store->isFilterOn(e->nameList);
}

// Same date first: cleaning the artist is the costly part, so it is done only when needed.
bool sameShow(const SHOWENTRY* a, const SHOWENTRY* b, const std::string& cleanedB) {
    return compareDates(a, b) == 0 && cleanedName(a->artist) == cleanedB;
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

SHOWENTRY::SHOWENTRY() : nameList(new FRIENDLIST) {}
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
}

bool SHOWLIST::addShow(SHOWENTRY* entry, SHOWLIST* older) {
    if (!entry) return false;
    std::lock_guard<ListMutex> guard(mutex);
    const std::string cleaned = cleanedName(entry->artist);
    if (older && older != this) {
        for (SHOWENTRY* o = older->head; o; o = o->next) {
            if (sameShow(o, entry, cleaned)) {
                entry->selected = o->selected;
                break;
            }
        }
    }
    SHOWENTRY* at = head;
    for (; at; at = at->next) {
        if (sameShow(at, entry, cleaned)) {
            at->nameList->combine(entry->nameList);
            delete entry;
            return false;
        }
        if (compareDates(at, entry) > 0) break;
    }
    vx::linkRecordBefore(entry, at, head, tail, count);
    return true;
}

SHOWENTRY* SHOWLIST::findShow(const char* artist) {
    if (!artist) return nullptr;
    std::lock_guard<ListMutex> guard(mutex);
    const std::string wanted = cleanedName(artist);
    for (SHOWENTRY* e = head; e; e = e->next)
        if (cleanedName(e->artist) == wanted) return e;
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
