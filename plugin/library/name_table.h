#pragma once
// Written names to what the reader keeps of them, looked up once per track: open addressing over
// a power-of-two table with each text's hash beside it, so that a miss costs no text compare.
// Entries never move once added; the table and entries live in the reading's arena.
#include "plugin/library/huge_blocks.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

template <typename Value> class NameTable {
  public:
    struct Entry {
        std::string_view written; // the text stored just behind the entry
        Value value{};
    };

    explicit NameTable(HugeArena& arena) : arena(arena) { resizeSlots(64); }
    NameTable(const NameTable&) = delete;
    NameTable& operator=(const NameTable&) = delete;
    ~NameTable() {
        for (Entry* e : entries)
            e->~Entry();
    }

    // The entry for the written text, added with a default value when new.
    Entry& find(std::string_view written, bool& added) {
        const std::uint64_t hash = hashOf(written);
        const std::size_t mask = slotCount - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = slots[i];
            if (!slot.entry) break;
            if (slot.hash == hash && sameText(slot.entry->written, written)) {
                added = false;
                return *slot.entry;
            }
        }
        // Kept at most half full, so that probes stay short.
        if ((entries.size() + 1) * 2 > slotCount) grow();
        Entry& entry = store(written);
        place({hash, &entry});
        added = true;
        return entry;
    }
    // The entry for the written text, or null when it has none.
    Entry* lookup(std::string_view written) const {
        const std::uint64_t hash = hashOf(written);
        const std::size_t mask = slotCount - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots[i];
            if (!slot.entry) return nullptr;
            if (slot.hash == hash && sameText(slot.entry->written, written)) return slot.entry;
        }
    }
    std::size_t size() const { return entries.size(); }

    // Names are compared word by word in place: a call to memcmp costs more than the name.
    static bool sameText(std::string_view a, std::string_view b) {
        const std::size_t n = a.size();
        if (n != b.size()) return false;
        if (n < 8) return a == b;
        for (std::size_t i = 0; i + 8 < n; i += 8)
            if (word(a.data() + i) != word(b.data() + i)) return false;
        return word(a.data() + n - 8) == word(b.data() + n - 8);
    }

    // Names are short: they are hashed eight bytes at a time, their last word overlapping the
    // one before, so that no byte loop runs and a name costs a few multiplies.
    static std::uint64_t hashOf(std::string_view text) {
        constexpr std::uint64_t kMix = 0x9e3779b97f4a7c15ull;
        const char* p = text.data();
        std::size_t n = text.size();
        std::uint64_t h = n * kMix;
        auto mix = [&h](std::uint64_t word) {
            h = (h ^ word) * kMix;
            h ^= h >> 32;
        };
        if (n >= 8) {
            for (; n > 8; n -= 8, p += 8)
                mix(word(p));
            mix(word(p + n - 8));
        } else {
            std::uint64_t w = 0;
            std::memcpy(&w, p, n);
            mix(w);
        }
        // The words' high bytes reach the table's index bits only through a full final mix.
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdull;
        h ^= h >> 33;
        h *= 0xc4ceb9fe1a85ec53ull;
        return h ^ (h >> 33);
    }

  private:
    struct Slot {
        std::uint64_t hash = 0;
        Entry* entry = nullptr;
    };

    static std::uint64_t word(const char* p) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        return w;
    }
    // An entry and its text side by side in a block of their own kind, so that a look-up reads
    // one place behind its slot rather than two.
    Entry& store(std::string_view written) {
        static_assert(alignof(Entry) <= HugeArena::kAlign);
        constexpr std::size_t kBlock = 64 << 10;
        const std::size_t bytes =
            (sizeof(Entry) + written.size() + alignof(Entry) - 1) / alignof(Entry) * alignof(Entry);
        if (!block || used + bytes > blockSize) {
            blockSize = std::max(kBlock, bytes);
            block = arena.take(blockSize);
            used = 0;
        }
        std::byte* at = block + used;
        used += bytes;
        char* text = reinterpret_cast<char*>(at + sizeof(Entry));
        if (!written.empty()) std::memcpy(text, written.data(), written.size());
        Entry* entry = new (at) Entry{std::string_view(text, written.size()), Value{}};
        entries.push_back(entry);
        return *entry;
    }
    void place(Slot s) {
        const std::size_t mask = slotCount - 1;
        std::size_t i = s.hash & mask;
        while (slots[i].entry)
            i = (i + 1) & mask;
        slots[i] = s;
    }
    void resizeSlots(std::size_t count) {
        slots = reinterpret_cast<Slot*>(arena.take(count * sizeof(Slot)));
        std::uninitialized_fill_n(slots, count, Slot{});
        slotCount = count;
    }
    // The old slots stay in the arena: all the tables ever held come to twice the last.
    void grow() {
        Slot* const old = slots;
        const std::size_t oldCount = slotCount;
        resizeSlots(slotCount * 2);
        for (std::size_t i = 0; i < oldCount; ++i)
            if (old[i].entry) place(old[i]);
    }

    HugeArena& arena;
    std::byte* block = nullptr;
    std::size_t blockSize = 0;
    std::size_t used = 0;
    std::vector<Entry*> entries;
    Slot* slots = nullptr;
    std::size_t slotCount = 0;
};

} // namespace vx
