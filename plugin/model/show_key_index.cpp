#include "plugin/model/show_key_index.h"

SHOWENTRY* ShowKeyIndex::find(std::string_view key, std::size_t hash) const {
    if (slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (!s.entry) return nullptr;
        if (s.hash == hash && std::string_view(keys_).substr(s.at, s.length) == key) return s.entry;
    }
}

void ShowKeyIndex::insert(std::string_view key, std::size_t hash, SHOWENTRY* entry) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].entry)
        i = (i + 1) & mask;
    slots_[i] = Slot{hash, keys_.size(), key.size(), entry};
    keys_.append(key);
    ++count_;
}

void ShowKeyIndex::grow() {
    std::vector<Slot> old(slots_.empty() ? 64 : 2 * slots_.size());
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (!s.entry) continue;
        std::size_t i = s.hash & mask;
        while (slots_[i].entry)
            i = (i + 1) & mask;
        slots_[i] = s;
    }
}

void ShowKeyIndex::clear() {
    // A cleared list is most often dropped or filled anew by another search: its room goes back.
    std::vector<Slot>().swap(slots_);
    std::string().swap(keys_);
    count_ = 0;
}
