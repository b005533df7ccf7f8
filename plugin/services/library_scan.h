#pragma once
// The line-by-line walk over a library file: tracks are recognised by the keys iTunes writes one
// per line, and a playlist named after the product narrows the lists to its own tracks.
#include "plugin/model/record_lists.h"

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

    void readLine(std::string_view line);

  private:
    void takeVersion(const LibraryLine& found);
    // False when the line was used up by the playlist.
    bool playlistLine(const LibraryLine& found);
    void trackLine(const LibraryLine& found);
    // A written artist or album with its stored text. A name recurs on every track of its
    // album, so each is normalised once and offered to its list once per filling of the list.
    struct Name {
        std::string stored;   // for an artist, one name or two joined by a comma
        unsigned offered = 0; // the filling of the lists it was last offered to
    };
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    using Names = std::unordered_map<std::string, Name, TextHash, std::equal_to<>>;
    struct TrackNames {
        Name* artist = nullptr;
        Name* album = nullptr;
    };
    // What a track recorded, in file order; indexed by track id only once a playlist asks.
    struct Recorded {
        std::string id;
        Name* artist;
        Name* album; // null when the track had no album
    };
    const TrackNames* recordedTrack(const std::string& id);

    Name* storedName(Names& names, Names::value_type*& last, std::string_view written, bool isArtist);
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
    bool genreSeen = false;
    bool trackIdSeen = false;
    bool notMusic = false; // a movie, TV show, podcast or audiobook: its artist is no band
    std::string trackId;
    Name* artist = nullptr;
    Name* album = nullptr;
    std::string genre;

    bool versionTaken = false;
    bool playlistMode = false;
    bool insideItems = false;
    bool firstPlaylistLine = true;

    Names artistNames;
    Names albumNames;
    Names::value_type* lastArtist = nullptr;
    Names::value_type* lastAlbum = nullptr;
    unsigned filling = 1; // counts the emptyings of the lists
    std::vector<Recorded> recorded;
    // Track id to the names recorded for it (later tracks of the same id win), covering
    // recorded[0, indexed).
    std::unordered_map<std::string, TrackNames> tracks;
    std::size_t indexed = 0;
};

} // namespace vx
