#include "plugin/model/record_lists.h"

#include "common/fixed_text.h"
#include "plugin/model/linked_records.h"
#include "plugin/model/text_helpers.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

bool equalIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int ca = std::tolower(static_cast<unsigned char>(*a));
        int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

} // namespace

std::string cleanedName(const char* name) {
    char buf[256];
    vx::copyText(buf, name);
    cleanArtist(buf);
    return buf;
}

std::string uncleanedListKey(const char* name) {
    std::string key = cleanedName(name);
    // "{" sorts after every letter and digit of ASCII, so these names follow the others.
    if (key.empty() && name && name[0]) return std::string("{") + name;
    if (std::none_of(key.begin(), key.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || (c & 0x80); }))
        return "{" + key;
    return key;
}

// ---- FRIENDLIST ------------------------------------------------------------------------------

FRIENDNAME::FRIENDNAME(const char* text) {
    vx::copyText(name, text);
}

FRIENDLIST::~FRIENDLIST() {
    clear();
}

bool FRIENDLIST::add(FRIENDNAME* n, bool takeLock) {
    if (!n) return false;
    if (!takeLock) return addLocked(n);
    std::lock_guard<ListMutex> guard(mutex);
    return addLocked(n);
}

bool FRIENDLIST::addLocked(FRIENDNAME* n) {
    for (FRIENDNAME* f = head; f; f = f->next) {
        if (equalIgnoringCase(f->name, n->name)) {
            delete n;
            return false;
        }
    }
    vx::appendRecord(n, head, tail, count);
    return true;
}

void FRIENDLIST::combine(FRIENDLIST* other) {
    if (!other || other == this) return;
    std::lock_guard<ListMutex> guard(mutex);
    for (FRIENDNAME* f = other->head; f; f = f->next)
        addLocked(new FRIENDNAME(f->name));
}

bool FRIENDLIST::contains(const char* name) {
    if (!name) return false;
    std::lock_guard<ListMutex> guard(mutex);
    for (FRIENDNAME* f = head; f; f = f->next)
        if (std::strcmp(f->name, name) == 0) return true;
    return false;
}

void FRIENDLIST::remove(const char* name) {
    if (!name) return;
    std::lock_guard<ListMutex> guard(mutex);
    for (FRIENDNAME* f = head; f; f = f->next) {
        if (std::strcmp(f->name, name) != 0) continue;
        vx::unlinkRecord(f, head, tail, count);
        delete f;
        return;
    }
}

void FRIENDLIST::clear() {
    std::lock_guard<ListMutex> guard(mutex);
    vx::freeRecords(head, tail, count);
}

// ---- Sorted name lists -----------------------------------------------------------------------

XMLARTIST::XMLARTIST(const char* text) {
    vx::copyText(name, text);
}
XMLARTIST::XMLARTIST(const char* text, std::string_view id) : XMLARTIST(text) {
    vx::copyText(mbid, vx::musicBrainzId(id).c_str());
}
XMLALBUM::XMLALBUM(const char* text) {
    vx::copyText(name, text);
}

template <typename Record> bool SortedNameList<Record>::add(Record* a) {
    return insert(a, false);
}

template <typename Record> bool SortedNameList<Record>::insert(Record* a, bool cleaned) {
    if (!a) return false;
    std::lock_guard<ListMutex> guard(mutex);
    const Order wanted = cleaned ? Order::Cleaned : Order::Bytes;
    if (order == Order::None)
        order = wanted;
    else if (order != wanted && order != Order::Mixed) {
        order = Order::Mixed;
        index.clear();
    }

    std::string key = cleaned ? uncleanedListKey(a->name) : std::string(a->name);
    Record* at = nullptr;
    if (order != Order::Mixed) {
        auto it = index.lower_bound(key);
        if (it != index.end() && it->first == key) {
            delete a;
            return false;
        }
        at = (it == index.end()) ? nullptr : it->second;
    } else {
        for (Record* r = head; r; r = r->next) {
            int c = cleaned ? uncleanedListKey(r->name).compare(key) : std::strcmp(r->name, a->name);
            if (c == 0) {
                delete a;
                return false;
            }
            if (c > 0) {
                at = r;
                break;
            }
        }
    }
    vx::linkRecordBefore(a, at, head, tail, count);
    ++changes;
    if (order != Order::Mixed) index.emplace(std::move(key), a);
    return true;
}

template <typename Record> std::string SortedNameList<Record>::keyOf(const char* name) const {
    return order == Order::Cleaned ? uncleanedListKey(name) : std::string(name);
}

template <typename Record> Record* SortedNameList<Record>::findExact(const char* name) {
    if (order == Order::Bytes || order == Order::Cleaned) {
        // A name has one key and a key at most one record: a list of thousands is not walked
        // for each of thousands of excluded names.
        auto it = index.find(keyOf(name));
        return it != index.end() && std::strcmp(it->second->name, name) == 0 ? it->second : nullptr;
    }
    for (Record* r = head; r; r = r->next)
        if (std::strcmp(r->name, name) == 0) return r;
    return nullptr;
}

template <typename Record> bool SortedNameList<Record>::contains(const char* name) {
    if (!name) return false;
    std::lock_guard<ListMutex> guard(mutex);
    return findExact(name) != nullptr;
}

template <typename Record> void SortedNameList<Record>::remove(const char* name) {
    if (!name) return;
    std::lock_guard<ListMutex> guard(mutex);
    Record* r = findExact(name);
    if (!r) return;
    vx::unlinkRecord(r, head, tail, count);
    ++changes;
    // Under the key it was indexed by: a name that cleans to nothing is indexed by itself.
    if (order != Order::Mixed) index.erase(keyOf(r->name));
    delete r;
}

template <typename Record> void SortedNameList<Record>::clear() {
    std::lock_guard<ListMutex> guard(mutex);
    vx::freeRecords(head, tail, count);
    ++changes;
    index.clear();
    order = Order::None;
}

template class SortedNameList<XMLARTIST>;
template class SortedNameList<XMLALBUM>;

// ---- Artist_Info_List ------------------------------------------------------------------------

void Artist_Info_List::add(ARTISTINFO* a) {
    if (!a) return;
    std::lock_guard<ListMutex> guard(mutex);
    vx::appendRecord(a, head, tail, count);
}

void Artist_Info_List::clear() {
    std::lock_guard<ListMutex> guard(mutex);
    vx::freeRecords(head, tail, count);
}
