#include "plugin/model/artist_plays.h"

#include "plugin/model/record_lists.h"

#include <algorithm>
#include <vector>

void ArtistPlays::replace(Counts counts) {
    std::lock_guard<std::mutex> lock(mutex_);
    counts_ = std::move(counts);
}

uint64_t ArtistPlays::plays(const char* artist) const {
    if (!artist) return 0;
    const std::string key = cleanedName(artist);
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = counts_.find(key);
    return it == counts_.end() ? 0 : it->second;
}

std::unordered_set<std::string> ArtistPlays::mostPlayed(std::size_t top, uint64_t minPlays) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::pair<uint64_t, const std::string*>> played;
    std::unordered_set<std::string> names;
    for (const auto& [name, n] : counts_) {
        if (n == 0 || name.empty()) continue;
        played.emplace_back(n, &name);
        if (n >= minPlays) names.insert(name);
    }
    const std::size_t keep = std::min(top, played.size());
    std::partial_sort(played.begin(), played.begin() + static_cast<std::ptrdiff_t>(keep), played.end(),
                      [](const auto& a, const auto& b) {
                          return a.first != b.first ? a.first > b.first : *a.second < *b.second;
                      });
    for (std::size_t i = 0; i < keep; ++i)
        names.insert(*played[i].second);
    return names;
}
