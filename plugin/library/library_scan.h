#pragma once
// The line-by-line walk over a library file: tracks are recognised by the keys iTunes writes one
// per line, and a playlist named after the product narrows the lists to its own tracks.
#include "plugin/library/huge_blocks.h"
#include "plugin/library/name_table.h"
#include "plugin/model/artist_plays.h"
#include "plugin/model/record_lists.h"

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

// What a reader keeps of the tracks the walk finds: the walk, its track rule and how it finds
// the product's playlist are the same for every reader.
struct LibraryScanPolicy {
    // The artist entry for a track's artist as written in the file (entities still encoded): a
    // name, or two joined by a comma that both stand for it; "" leaves the track out.
    std::string (*artistEntry)(std::string_view written);
    // Artists are compared by their cleaned forms (addUncleaned) rather than their names (add).
    bool keepsWrittenForm = false;
    // The product's own playlist narrows the lists to its tracks; otherwise its lines are passed over.
    bool playlistNarrows = true;
    bool readsAlbums = true;
    bool readsVersion = true;
};

// The entry the library lists hold: the normalised name, in both word orders where it has two.
std::string listArtistEntry(std::string_view written);
extern const LibraryScanPolicy kListsPolicy;

class LibraryScan {
  public:
    LibraryScan(XML_Artist_List& artists, XML_Album_List& albums, ProtectedData& state,
                const LibraryScanPolicy& policy = kListsPolicy)
        : artists(artists), albums(albums), state(state), policy(policy) {}

    // A run of whole lines, as LineSource::nextLines gives them.
    void readLines(std::string_view lines);
    // The whole file, block by block; between blocks a shutdown ends the reading where it
    // stands. False when the file does not open.
    bool readFile(const char* path);
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
        std::uint32_t id;     // see trackKey
        std::uint32_t artist; // places in numbered; 0 for a track without an album
        std::uint32_t album;
    };
    const TrackNames* recordedTrack(std::string_view id);
    // A track id as a number: a plain decimal below 2^31 keeps its value, any other text its
    // place among oddIds with bit 31 set; npos for an odd text never recorded (when not adding).
    // Four bytes a track keep half a million tracks' records in a few megabytes.
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
    const LibraryScanPolicy& policy;

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

    // Declared before the tables and records that live in it, so that it outlives them.
    HugeArena arena;
    Names artistNames{arena};
    Names albumNames{arena};
    Names::Entry* lastArtist = nullptr;
    Names::Entry* lastAlbum = nullptr;
    unsigned filling = 1; // counts the emptyings of the lists
    // What the tracks recorded, in file order.
    HugeBlocks<Recorded> recorded{arena};
    std::vector<Name*> numbered{nullptr}; // every name, so that a record holds 4 bytes per name
    std::unordered_map<std::string, std::uint32_t> oddIds;
    // Track id to the names recorded for it (later tracks of the same id win), covering
    // recorded[0, indexed).
    std::unordered_map<std::uint64_t, TrackNames> tracks;
    std::size_t indexed = 0;
};

} // namespace vx
