#pragma once
// A show list's entries by date and cleaned artist, filled as entries are linked and emptied all
// at once, as the list is. Open addressing over one array, with the keys' bytes one after another
// in one text: a look-up touches a slot and one key, where a node map touched a bucket, a node and
// the node's own key, each a cache miss in a list of thousands.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SHOWENTRY;

class ShowKeyIndex {
  public:
    static std::size_t hashOf(std::string_view key) { return std::hash<std::string_view>{}(key); }
    // The entry of key (whose hash is hash), or nullptr.
    SHOWENTRY* find(std::string_view key, std::size_t hash) const;
    // Adds key, which the index does not hold yet.
    void insert(std::string_view key, std::size_t hash, SHOWENTRY* entry);
    void clear();

  private:
    struct Slot {
        std::size_t hash = 0;
        std::size_t at = 0, length = 0; // the key's bytes in keys_
        SHOWENTRY* entry = nullptr;     // nullptr marks an empty slot
    };
    void grow();

    std::vector<Slot> slots_; // a power of two of them, at most half used
    std::string keys_;
    std::size_t count_ = 0;
};
