#pragma once
// A set of texts it does not own, filled once and then only asked: open addressing over one
// array, so a look-up touches a slot or two instead of walking a bucket's chain of nodes. A
// refresh asks it once for every performer of every event of every place searched, and most
// are not in it: a byte of each slot's hash, kept apart in a small array that stays in cache,
// tells most of those without touching the slots.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace vx {

class TextViewSet {
  public:
    void clear() {
        slots_.clear();
        marks_.clear();
        count_ = 0;
    }
    // Room for n texts at most half full, so a missing text is told after a slot or two.
    void reserve(std::size_t n) {
        std::size_t size = 16;
        while (size < 2 * n)
            size *= 2;
        if (size <= slots_.size()) return;
        std::vector<Slot> old;
        old.swap(slots_);
        slots_.assign(size, Slot{});
        marks_.assign(size, 0);
        count_ = 0;
        for (const Slot& s : old)
            if (s.text.data()) insert(s.text, s.hash);
    }
    // The viewed bytes must outlive the set's use.
    void insert(std::string_view text) { insert(text, std::hash<std::string_view>{}(text)); }
    bool contains(std::string_view text) const {
        if (slots_.empty()) return false;
        const std::size_t hash = std::hash<std::string_view>{}(text);
        const std::uint8_t mark = markOf(hash);
        for (std::size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
            if (marks_[i] == 0) return false;
            if (marks_[i] != mark) continue;
            const Slot& s = slots_[i];
            if (s.hash == hash && s.text == text) return true;
        }
    }
    std::size_t size() const { return count_; }

  private:
    struct Slot {
        std::size_t hash = 0;
        std::string_view text{}; // a null data() marks an empty slot
    };

    void insert(std::string_view text, std::size_t hash) {
        if (!text.data()) text = std::string_view("", 0); // an empty text still takes a slot
        if (2 * (count_ + 1) > slots_.size()) reserve(count_ + 1);
        for (std::size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
            Slot& s = slots_[i];
            if (!s.text.data()) {
                s = {hash, text};
                marks_[i] = markOf(hash);
                ++count_;
                return;
            }
            if (s.hash == hash && s.text == text) return;
        }
    }

    // The hash's top byte, never 0, which marks an empty slot.
    static std::uint8_t markOf(std::size_t hash) {
        return static_cast<std::uint8_t>((hash >> (8 * sizeof hash - 8)) | 1);
    }

    std::vector<Slot> slots_;
    std::vector<std::uint8_t> marks_; // each slot's mark, 0 where the slot is empty
    std::size_t count_ = 0;
};

} // namespace vx
