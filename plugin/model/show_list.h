#pragma once
// Dated calendar items (concerts, friends' shows, album releases) and the date-sorted list that
// merges duplicates as they arrive and carries the user's choice over from an older list.
#include "platform/visual_plugin_api.h"
#include "plugin/model/record_lists.h"
#include "plugin/model/show_key_index.h"

#include <compare>
#include <cstdint>
#include <map>
#include <string>

class ProtectedData;

// A record is about 3 KB of fixed-capacity texts: a new one sets only their terminators, so that
// making thousands of shows does not write every byte of them. Texts are read to their terminator.
struct SHOWENTRY {
    SHOWENTRY* next = nullptr;
    SHOWENTRY* prev = nullptr;
    char artist[256];
    char venue[256]; // for an album release, the album title
    char location[256];
    int32_t day = 0;
    int32_t month = 0;
    int32_t year = 2000;
    char otherArtists[1024];
    char url[256];
    // The start on the venue's clock ("19:30") and the venue's zone ("America/Chicago"), as the
    // source page gave them; empty when it gave none or nothing usable: the show is all day.
    char startTime[8];
    char timeZone[64];
    // The show's UID in exported calendars: kept across refreshes and restarts, so calendar
    // programs see the same event, with the user's alarms and notes, export after export.
    char uid[64];
    // Raised each time the show changes after it was first exported (moved, cancelled, back),
    // so that calendar programs take the newer copy.
    int32_t sequence = 0;
    // No source lists the chosen show any more: kept, drawn struck through, exported cancelled.
    bool cancelled = false;
    // Where a moved show was before (date, and venue when that changed); year 0 when never moved.
    int32_t movedYear = 0, movedMonth = 0, movedDay = 0;
    char movedVenue[256];
    // The place whose search listed the show (city and region as typed, radius; radius 0 when not
    // known), and whether the last refresh's search did not list it: a chosen show found for
    // another place or radius is kept, and the screen tells where it was found.
    char foundCity[256]; // as long as the typed city, so the place compares whole
    char foundState[256];
    int32_t foundRadius = 0;
    bool elsewhere = false;
    bool onTrip = false; // found for one of the user's trips, not for home
    bool recentlyAdded = false;
    bool selected = false;
    FRIENDLIST* nameList; // format labels, or the friends who go; owned by the entry
    bool ticketsAvailable = false;
    Rect inCellRect = {0, 0, 0, 0};
    bool inCell = false;
    Rect rowRect = {0, 0, 0, 0};
    bool inList = false;
    bool hovered = false;

    SHOWENTRY();
    ~SHOWENTRY();
    SHOWENTRY(const SHOWENTRY&) = delete;
    SHOWENTRY& operator=(const SHOWENTRY&) = delete;
    // Records come from a pool kept across refreshes (record_pool.h).
    static void* operator new(std::size_t bytes);
    static void operator delete(void* record, std::size_t bytes) noexcept;
    // Gives the pool's empty slabs back to the system, as the code that made them is unloaded.
    static void releaseSpareRecords();
};

class SHOWLIST {
  public:
    // The most entries a list links: what the preferences file keeps of each list, and what a
    // flood of replies may cost (about 2 KB an entry). Merges into listed entries go on.
    static constexpr uint32_t kMostShows = 10000;

    uint32_t count = 0;
    ListMutex mutex;
    SHOWENTRY* head = nullptr;
    SHOWENTRY* tail = nullptr;

    SHOWLIST() = default;
    ~SHOWLIST();
    SHOWLIST(const SHOWLIST&) = delete;
    SHOWLIST& operator=(const SHOWLIST&) = delete;

    void lock() { mutex.lock(); }
    void unlock() { mutex.unlock(); }
    uint32_t size() const { return count; }
    // Entries whose labels the format filters do not hide; takes no list lock.
    uint32_t filteredSize();
    // Frees every entry.
    void clear();
    // Unlinks every entry and hands them over as a chain by next; the caller owns each.
    SHOWENTRY* takeEntries();
    // Links entry in date order, or merges its labels into an entry of the same date and cleaned
    // artist (then entry is freed). The user's choice and the UID are carried over from older (read
    // unlocked); an entry left without a UID gets a new one. Returns whether entry itself was linked;
    // an entry that would be past kMostShows is freed, unless beyondCap (a choice the user kept).
    bool addShow(SHOWENTRY* entry, SHOWLIST* older, bool beyondCap = false);
    // No room for another entry: a reader of a long reply may stop there.
    bool full();
    // The first show of the artist that is not cancelled.
    SHOWENTRY* findShow(const char* artist);
    // As findShow, passing over entries the format filters hide.
    SHOWENTRY* findAlbum(const char* artist);

  private:
    // Beside the links, so that adding a show costs no walk: the entry of each date and cleaned
    // artist (a list holds one at most, duplicates merge), and the first entry of each date.
    // Only addShow links entries and clear unlinks them, so both keep the index; the older list's
    // index is read unlocked, as its entries are.
    struct DateKey {
        int32_t year, month, day;
        auto operator<=>(const DateKey&) const = default; // as compareDates orders
    };
    static DateKey dateKey(const SHOWENTRY* e) { return {e->year, e->month, e->day}; }
    ShowKeyIndex byShow;
    std::map<DateKey, SHOWENTRY*> firstOfDate;
};

// Earlier, equal or later by (year, month, day).
int compareDates(const SHOWENTRY* a, const SHOWENTRY* b);

// The store whose format filters decide what filteredSize and findAlbum hide; the root object
// registers its store at construction, tests their own.
void setFormatFilterStore(ProtectedData* store);
ProtectedData* formatFilterStore();
