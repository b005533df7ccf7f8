#pragma once
// What a library of songs gives the plug-in, gathered song by song and handed to the lists at
// the end, so that a reading that fails half way leaves the lists as they were.
#include "plugin/library/artist_name_forms.h"
#include "plugin/library/huge_blocks.h"
#include "plugin/library/name_table.h"
#include "plugin/model/artist_plays.h"
#include "plugin/model/record_lists.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vx {

// The blanks a library file may put around a name: spaces, tabs and line ends.
inline bool isLibrarySpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline std::string_view trimmedName(std::string_view text) {
    while (!text.empty() && isLibrarySpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isLibrarySpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// MusicBrainz artist ids (lower case) by the cleaned artist name.
using ArtistIds = std::unordered_map<std::string, std::string>;

class SongLists {
  public:
    static constexpr std::uint64_t kMostPlays = 1000000;

    // One song: its artist as written (the album's artist when set), album, plays and the
    // artist's MusicBrainz id ("" when unknown). Surrounding spaces are ignored.
    void add(std::string_view artist, std::string_view album, std::uint64_t played,
             std::string_view artistId);
    // Adds every artist and album gathered to the lists, each artist with its id from ids().
    void addTo(XML_Artist_List& artists, XML_Album_List& albums) const;
    // Plays by cleaned name, summed over every written name that cleans to it.
    ArtistPlays::Counts plays() const;
    // Each cleaned name's id where its songs name one id only: songs naming two ids are two
    // artists of one name, and the name alone stands for them.
    ArtistIds ids() const;

  private:
    struct Artist {
        ArtistNameForms forms;
        std::uint64_t plays = 0;
        std::string id;
        bool idsDiffer = false; // its songs named two ids: it keeps none
    };

    // Written names are looked up by view in open-addressed tables, so that a song whose names
    // were seen before costs no copy of them and a miss costs no text compare.
    HugeArena arena;
    NameTable<std::size_t> byWritten{arena}; // into seen
    NameTable<bool> seenAlbums{arena};       // as written
    std::vector<Artist> seen;                // in the order first read
    std::vector<std::string> albumEntries;
    // The last song's artist and album: the songs of an album come one after another.
    std::string lastWritten;
    std::size_t last = SIZE_MAX;
    std::string lastAlbum;
};

} // namespace vx
