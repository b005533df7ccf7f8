#pragma once
// Where the markers of a library file stand in one line, found in one pass: a library holds a
// million lines, nearly all of them keys the reader has no use for.
#include <cstddef>
#include <string_view>

namespace vx {

enum LibraryMarker {
    kDictOpen,    // "<dict>"
    kDictClose,   // "</dict>"
    kVersionKey,  // "<key>Application Version</key><string>"
    kTrackIdKey,  // "<key>Track ID</key><integer>"
    kArtistKey,   // "<key>Artist</key><string>"
    kAlbumKey,    // "<key>Album</key><string>"
    kGenreKey,    // "<key>Genre</key><string>"
    kKindKey,     // "<key>Kind</key><string>"
    kMovieFlag,   // "<key>Movie</key><true/>"
    kTvShowFlag,  // "<key>TV Show</key><true/>"
    kPodcastFlag, // "<key>Podcast</key><true/>"
    kOwnPlaylist, // "<key>name</key><string>voxtrail</string>" in any letter case
    kLibraryMarkers
};

extern const std::string_view kLibraryMarkerText[kLibraryMarkers];

struct LibraryLine {
    std::string_view line;
    std::size_t at[kLibraryMarkers]; // first position of each marker, or npos

    bool has(LibraryMarker m) const { return at[m] != std::string_view::npos; }
    // The value behind the marker up to the first close after it.
    bool value(LibraryMarker m, std::string_view close, std::string_view& out) const;
};

LibraryLine findLibraryMarkers(std::string_view line);

} // namespace vx
