#pragma once
// The line-by-line walk over a library file: tracks are recognised by the keys iTunes writes one
// per line, and a playlist named after the product narrows the lists to its own tracks.
#include "plugin/model/artist_plays.h"
#include "plugin/model/record_lists.h"
#include "plugin/services/name_table.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class ProtectedData;

namespace vx {

struct LibraryLine;

// The track rule both library readers share: a track of one of these kinds or genres is not
// music of a band (Audible's audiobooks carry no genre of their own, only their kind).
bool isAudibleKind(std::string_view kind);
bool isSpokenGenre(std::string_view genre);

class LibraryScan {
  public:
    LibraryScan(XML_Artist_List& artists, XML_Album_List& albums, ProtectedData& state)
        : artists(artists), albums(albums), state(state) {}

    // A run of whole lines, as LineSource::nextLines gives them.
    void readLines(std::string_view lines);
    // Plays of each artist read so far, summed over its tracks, by cleaned name.
    ArtistPlays::Counts artistPlays() const;

  private:
    void lineFound(const LibraryLine& found);
    void takeVersion(const LibraryLine& found);
    // False when the line was used up by the playlist.
    bool playlistLine(const LibraryLine& found);
    void trackLine(const LibraryLine& found);
    // A written artist or album with its stored text. A name recurs on every track of its
    // album, so each is normalised once and offered to its list once per filling of the list.
    struct Name {
        std::string stored;       // for an artist, one name or two joined by a comma
        unsigned offered = 0;     // the filling of the lists it was last offered to
        std::uint32_t number = 0; // its place in numbered
        std::uint64_t plays = 0;  // an artist's plays over its tracks
    };
    using Names = NameTable<Name>;
    struct TrackNames {
        Name* artist = nullptr;
        Name* album = nullptr;
    };
    // What a track recorded, in file order; indexed by track id only once a playlist asks.
    struct Recorded {
        std::uint64_t id;     // see trackKey
        std::uint32_t artist; // places in numbered; 0 for a track without an album
        std::uint32_t album;
    };
    const TrackNames* recordedTrack(std::string_view id);
    // A track id as a number: a plain decimal keeps its value, any other text its place among
    // oddIds with the top bit set; npos for an odd text never recorded (when not adding).
    std::uint64_t trackKey(std::string_view id, bool adding);

    Name* storedName(Names& names, Names::Entry*& last, std::string_view written, bool isArtist);
    void recordTrack();
    void addArtists(Name& name);
    void addAlbum(Name& name);
    void clearLists();
    void clearTrack();

    XML_Artist_List& artists;
    XML_Album_List& albums;
    ProtectedData& state;

    bool dictOpened = false;
    bool dictClosed = false;
    bool artistSeen = false;
    bool albumSeen = false;
    bool trackIdSeen = false;
    bool notMusic = false;    // a movie, TV show, podcast or audiobook: its artist is no band
    bool spokenGenre = false; // the track's last genre is one of spoken word
    std::string trackId;
    std::uint64_t playCount = 0;
    std::vector<Name*> playedArtists; // artists with plays, each once
    Name* artist = nullptr;
    Name* album = nullptr;

    bool versionTaken = false;
    bool playlistMode = false;
    bool insideItems = false;
    bool firstPlaylistLine = true;

    Names artistNames;
    Names albumNames;
    Names::Entry* lastArtist = nullptr;
    Names::Entry* lastAlbum = nullptr;
    unsigned filling = 1; // counts the emptyings of the lists
    // What the tracks recorded, in file order: blocks that are never moved or copied.
    static constexpr std::size_t kRecordBlock = 4096;
    std::vector<std::vector<Recorded>> recorded;
    std::size_t recordedCount = 0;
    std::vector<Name*> numbered{nullptr}; // every name, so that a record holds 4 bytes per name
    std::unordered_map<std::string, std::uint64_t> oddIds;
    // Track id to the names recorded for it (later tracks of the same id win), covering
    // recorded[0, indexed).
    std::unordered_map<std::uint64_t, TrackNames> tracks;
    std::size_t indexed = 0;
};

} // namespace vx
