#pragma once
// Small linked record lists, each with its own mutex. A list owns the records it links: records
// it refuses, unlinks or clears are freed, so no record outlives the list that held it.
#include "common/musicbrainz_id.h"
#include "plugin/model/list_mutex.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

struct FRIENDNAME {
    char name[64] = {};
    FRIENDNAME* next = nullptr;
    FRIENDNAME* prev = nullptr;
    FRIENDNAME() = default;
    explicit FRIENDNAME(const char* text);
};

// A set of short names in arrival order; add() refuses names equal ignoring letter case, while
// contains() and remove() compare exactly.
class FRIENDLIST {
  public:
    uint32_t count = 0;
    ListMutex mutex;
    FRIENDNAME* head = nullptr;
    FRIENDNAME* tail = nullptr;

    FRIENDLIST() = default;
    ~FRIENDLIST();
    FRIENDLIST(const FRIENDLIST&) = delete;
    FRIENDLIST& operator=(const FRIENDLIST&) = delete;

    void lock() { mutex.lock(); }
    void unlock() { mutex.unlock(); }
    uint32_t size() const { return count; }
    // Links n unless a held name equals it ignoring case; returns whether it was linked (a
    // refused record is freed).
    bool add(FRIENDNAME* n, bool takeLock);
    bool add(FRIENDNAME* n) { return add(n, true); }
    // Adds copies of other's names (first 63 characters) without taking other's lock.
    void combine(FRIENDLIST* other);
    bool contains(const char* name);
    void remove(const char* name);
    void clear();

  private:
    bool addLocked(FRIENDNAME* n);
};

struct XMLARTIST {
    char name[256] = {};
    XMLARTIST* next = nullptr;
    XMLARTIST* prev = nullptr;
    // The artist's MusicBrainz id in lower case, "" when the library names none (or two).
    char mbid[vx::kMusicBrainzIdLength + 1] = {};
    XMLARTIST() = default;
    explicit XMLARTIST(const char* text);
    // A well-formed id is kept; any other text leaves the record without one.
    XMLARTIST(const char* text, std::string_view id);
};

struct XMLALBUM {
    char name[256] = {};
    XMLALBUM* next = nullptr;
    XMLALBUM* prev = nullptr;
    XMLALBUM() = default;
    explicit XMLALBUM(const char* text);
};

// A name list kept in ascending order without duplicates. Insertion finds its place through an
// index beside the links, giving the same list as a walk from the head would; a list that
// mixes byte-ordered and cleaned insertions falls back to the walk.
template <typename Record> class SortedNameList {
  public:
    ListMutex mutex;
    Record* head = nullptr;
    Record* tail = nullptr;
    uint32_t count = 0;
    uint64_t changes = 0; // grows with every link, unlink and clear: a reader's index is stale when it moved
    // A look-up index of the names a reader built at `indexedChanges`, kept here under the mutex so
    // that the pages of several places are matched with one index; the reader knows its type.
    std::shared_ptr<const void> readerIndex;
    uint64_t indexedChanges = 0;

    SortedNameList() = default;
    ~SortedNameList() { clear(); }
    SortedNameList(const SortedNameList&) = delete;
    SortedNameList& operator=(const SortedNameList&) = delete;

    void lock() { mutex.lock(); }
    void unlock() { mutex.unlock(); }
    uint32_t size() const { return count; }
    // Byte order (strcmp); returns whether a was linked (a refused record is freed).
    bool add(Record* a);
    bool contains(const char* name);
    void remove(const char* name);
    void clear();

  protected:
    enum class Order { None, Bytes, Cleaned, Mixed };
    bool insert(Record* a, bool cleaned);
    // The index's key for a name under the list's order, and the record named exactly so (the
    // caller holds the mutex).
    std::string keyOf(const char* name) const;
    Record* findExact(const char* name);
    Order order = Order::None;
    std::map<std::string, Record*> index; // key: the name, or its cleaned form
};

class XML_Artist_List : public SortedNameList<XMLARTIST> {
  public:
    // As add(), but comparing the cleaned forms of both names; the record keeps its own name.
    bool addUncleaned(XMLARTIST* a) { return insert(a, true); }
};

class XML_Album_List : public SortedNameList<XMLALBUM> {};

struct ARTISTINFO {
    char text1[256] = {};
    char text2[256] = {};
    char text3[256] = "-";
    int32_t day = 1;
    int32_t month = 1;
    int32_t year = 1970;
    ARTISTINFO* next = nullptr;
    ARTISTINFO* prev = nullptr;
};

class Artist_Info_List {
  public:
    ListMutex mutex;
    ARTISTINFO* head = nullptr;
    ARTISTINFO* tail = nullptr;
    uint32_t count = 0;

    Artist_Info_List() = default;
    ~Artist_Info_List() { clear(); }
    Artist_Info_List(const Artist_Info_List&) = delete;
    Artist_Info_List& operator=(const Artist_Info_List&) = delete;

    void lock() { mutex.lock(); }
    void unlock() { mutex.unlock(); }
    void add(ARTISTINFO* a);
    void clear();
};

// The cleaned form of a name as the lists compare it: the first 255 characters through cleanArtist.
std::string cleanedName(const char* name);
// The key addUncleaned compares: the cleaned form; a name of punctuation only (its own text) or
// one that cleans to nothing (articles only) sorts after the names of letters and digits.
std::string uncleanedListKey(const char* name);
