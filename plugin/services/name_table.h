#pragma once
// Written names to what the reader keeps of them, looked up once per track: open addressing over
// a power-of-two table with each text's hash beside it, so that a miss costs no text compare.
// Entries never move once added.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

template <typename Value> class NameTable {
  public:
    struct Entry {
        std::string written;
        Value value{};
    };

    // The entry for the written text, added with a default value when new.
    Entry& find(std::string_view written, bool& added) {
        const std::uint64_t hash = hashOf(written);
        std::size_t mask = slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = slots[i];
            if (!slot.entry) break;
            if (slot.hash == hash && slot.entry->written == written) {
                added = false;
                return *slot.entry;
            }
        }
        // Kept at most half full, so that probes stay short.
        if ((entries.size() + 1) * 2 > slots.size()) grow();
        Entry& entry = entries.emplace_back(Entry{std::string(written), Value{}});
        place({hash, &entry});
        added = true;
        return entry;
    }
    std::size_t size() const { return entries.size(); }

  private:
    struct Slot {
        std::uint64_t hash = 0;
        Entry* entry = nullptr;
    };

    // FNV-1a: names are short, and a byte loop beats a call.
    static std::uint64_t hashOf(std::string_view text) {
        std::uint64_t h = 14695981039346656037ull;
        for (unsigned char c : text)
            h = (h ^ c) * 1099511628211ull;
        return h ^ (h >> 29);
    }
    void place(Slot s) {
        const std::size_t mask = slots.size() - 1;
        std::size_t i = s.hash & mask;
        while (slots[i].entry)
            i = (i + 1) & mask;
        slots[i] = s;
    }
    void grow() {
        std::vector<Slot> old(slots.size() * 2);
        old.swap(slots);
        for (const Slot& s : old)
            if (s.entry) place(s);
    }

    std::deque<Entry> entries;
    std::vector<Slot> slots = std::vector<Slot>(64);
};

} // namespace vx
