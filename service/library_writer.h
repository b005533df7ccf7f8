#pragma once
// Writes a sample music library file in the layout the music player writes:
// the version lines, a Tracks dictionary with one key and value a line, and a
// Playlists array.
#include "service/catalogue.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace vxs {

struct LibraryPlan {
    int tracks = 100;
    std::uint64_t seed = 1;
    int artists = 0;          // distinct artists; 0 picks about one per five tracks
    int voxtrailPlaylist = 0; // tracks in a playlist named "Voxtrail"; 0 writes none
    std::string appVersion = "9.1";
};

struct LibrarySummary {
    std::vector<std::string> artists; // listing names of the artists used, in first-track order
    int tracks = 0;
};

// Draws the tracks from the catalogue's built-in artists; the same plan gives the same file.
LibrarySummary writeLibrary(const Catalogue& catalogue, const LibraryPlan& plan, std::ostream& out);

// Text as the library file stores it: "&" as "&#38;", "<" as "&#60;", ">" as "&#62;".
std::string libraryEscape(const std::string& text);

} // namespace vxs
