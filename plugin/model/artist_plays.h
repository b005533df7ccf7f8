#pragma once
// How often the user played each library artist, summed over the artist's tracks, keyed by the
// cleaned name. Filled by the library reader; read by the change tracking and the hover panel.
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>

class ArtistPlays {
  public:
    using Counts = std::unordered_map<std::string, uint64_t>;

    void replace(Counts counts);
    // Plays of the artist as a show names it; 0 when the library has none.
    uint64_t plays(const char* artist) const;
    // The cleaned names of the top `top` artists by plays (ties broken by name), and of every
    // artist with at least minPlays; an artist never played is never among them.
    std::unordered_set<std::string> mostPlayed(std::size_t top, uint64_t minPlays) const;

  private:
    mutable std::mutex mutex_;
    Counts counts_;
};
