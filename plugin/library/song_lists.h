#pragma once
// What a library of songs gives the plug-in, gathered song by song and handed to the lists at
// the end, so that a reading that fails half way leaves the lists as they were.
#include "plugin/library/artist_name_forms.h"
#include "plugin/model/artist_plays.h"
#include "plugin/model/record_lists.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vx {

// MusicBrainz artist ids by the cleaned artist name; the lists' records have no room for them.
using ArtistIds = std::unordered_map<std::string, std::string>;

// True for an id of MusicBrainz's form: 36 characters, hex digits in groups of 8-4-4-4-12.
bool isMusicBrainzId(std::string_view text);

class SongLists {
  public:
    static constexpr std::uint64_t kMostPlays = 1000000;

    // One song: its artist as written (the album's artist when set), album, plays and the
    // artist's MusicBrainz id ("" when unknown). Surrounding spaces are ignored.
    void add(std::string_view artist, std::string_view album, std::uint64_t played,
             std::string_view artistId);
    // Adds every artist and album gathered to the lists.
    void addTo(XML_Artist_List& artists, XML_Album_List& albums) const;
    const ArtistPlays::Counts& plays() const { return playCounts; }
    const ArtistIds& ids() const { return artistIds; }

  private:
    std::unordered_map<std::string, ArtistNameForms> artistForms; // by written name
    std::unordered_set<std::string> seenAlbums;                   // as written
    std::vector<std::string> artistEntries;                       // cleaned, each once
    std::vector<std::string> albumEntries;
    ArtistPlays::Counts playCounts;
    ArtistIds artistIds;
    // The last song's written artist: the songs of an album come one after another.
    std::string lastWritten;
    const ArtistNameForms* lastForms = nullptr;
};

} // namespace vx
