#pragma once
// A question asked of a page's date texts, each text asked once: a page lists a year or so of
// dates over thousands of events, so a trip's walk meets the same few hundred texts again and
// again, and reading a date costs more than finding its answer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

class DateAnswers {
  public:
    using Question = std::function<bool(std::string_view date)>;
    explicit DateAnswers(const Question& question) : question_(question), slots_(kSlots) {}

    bool operator()(std::string_view text) {
        // Longer texts are no dates the sources write; they are answered each time.
        if (text.empty() || text.size() > 16) return question_(text);
        const Key key = keyOf(text);
        const uint64_t mixed =
            (key.head * 0x9E3779B97F4A7C15ull) ^ (key.tail * 0xC2B2AE3D27D4EB4Full) ^ key.size;
        Slot& slot = slots_[(mixed >> 32) & (kSlots - 1)];
        if (slot.key.size == key.size && slot.key.head == key.head && slot.key.tail == key.tail)
            return slot.answer;
        slot = {key, question_(text)};
        return slot.answer;
    }

  private:
    // A text of 1 to 16 bytes, whole: its first and its last (up to) eight bytes, and its length.
    struct Key {
        uint64_t head = 0, tail = 0;
        uint64_t size = 0; // 0 in a slot never filled
    };
    static uint64_t load(const char* from, std::size_t bytes) {
        uint64_t word = 0;
        std::memcpy(&word, from, bytes);
        return word;
    }
    static Key keyOf(std::string_view text) {
        const std::size_t n = text.size();
        if (n >= 8) return {load(text.data(), 8), load(text.data() + n - 8, 8), n};
        if (n >= 4) return {load(text.data(), 4), load(text.data() + n - 4, 4), n};
        return {load(text.data(), n), 0, n};
    }
    struct Slot {
        Key key;
        bool answer = false;
    };
    // A power of two, for many more texts than a page has dates; a slot met by two texts keeps
    // the later.
    static constexpr std::size_t kSlots = 1024;
    const Question& question_;
    std::vector<Slot> slots_;
};
