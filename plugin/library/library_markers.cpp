#include "plugin/library/library_markers.h"

#include "plugin/library/line_markers.h"

namespace vx {

const std::string_view kLibraryMarkerText[kLibraryMarkers] = {
    "<dict>",
    "</dict>",
    "<key>Application Version</key><string>",
    "<key>Track ID</key><integer>",
    "<key>Artist</key><string>",
    "<key>Album</key><string>",
    "<key>Genre</key><string>",
    "<key>Kind</key><string>",
    "<key>Movie</key><true/>",
    "<key>TV Show</key><true/>",
    "<key>Podcast</key><true/>",
    "<key>name</key><string>voxtrail</string>",
};

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// A fixed-length compare the compiler expands in place.
template <std::size_t N> bool startsWith(const char* at, std::size_t left, const char (&text)[N]) {
    return left >= N - 1 && std::memcmp(at, text, N - 1) == 0;
}

bool startsWithIgnoringCase(const char* at, std::size_t left, std::string_view lowerPattern) {
    if (left < lowerPattern.size()) return false;
    for (std::size_t i = 0; i < lowerPattern.size(); ++i)
        if (lowerAscii(at[i]) != lowerPattern[i]) return false;
    return true;
}

// Where the value starts in "<key>name</key><string>voxtrail</string>".
constexpr std::size_t kOwnPlaylistValueAt = 23;

} // namespace

void markLibraryMarker(LibraryLine& found, const char* at, std::size_t left, std::size_t pos) {
    if (left < 6) return;
    // Every marker starts with '<'; the byte behind it, and for keys the key's first letters,
    // tell which one can stand here.
    switch (at[1]) {
    case 'd':
        if (startsWith(at, left, "<dict>")) found.mark(kDictOpen, pos);
        return;
    case '/':
        if (at[2] == 'd' && startsWith(at, left, "</dict>")) found.mark(kDictClose, pos);
        return;
    case 'k':
    case 'K':
        break;
    default:
        return;
    }
    if (left < 7) return;
    switch (at[5]) {
    case 'A':
        if (at[6] == 'r') {
            if (startsWith(at, left, "<key>Artist</key><string>")) found.mark(kArtistKey, pos);
        } else if (at[6] == 'l') {
            if (startsWith(at, left, "<key>Album</key><string>")) found.mark(kAlbumKey, pos);
        } else if (startsWith(at, left, "<key>Application Version</key><string>")) {
            found.mark(kVersionKey, pos);
        }
        return;
    case 'T':
        if (startsWith(at, left, "<key>Track ID</key><integer>"))
            found.mark(kTrackIdKey, pos);
        else if (startsWith(at, left, "<key>TV Show</key><true/>"))
            found.mark(kTvShowFlag, pos);
        return;
    case 'G':
        if (startsWith(at, left, "<key>Genre</key><string>")) found.mark(kGenreKey, pos);
        return;
    case 'K':
        if (startsWith(at, left, "<key>Kind</key><string>")) found.mark(kKindKey, pos);
        return;
    case 'M':
        if (startsWith(at, left, "<key>Movie</key><true/>")) found.mark(kMovieFlag, pos);
        return;
    case 'P':
        if (startsWith(at, left, "<key>Podcast</key><true/>")) found.mark(kPodcastFlag, pos);
        return;
    case 'n':
    case 'N':
        // Every track has a name key: its value's first letter turns nearly all of them away.
        if (!found.has(kOwnPlaylist) && left > kOwnPlaylistValueAt &&
            lowerAscii(at[kOwnPlaylistValueAt]) == 'v' &&
            startsWithIgnoringCase(at, left, kLibraryMarkerText[kOwnPlaylist]))
            found.mark(kOwnPlaylist, pos);
        return;
    default:
        return;
    }
}

LibraryLine findLibraryMarkers(std::string_view line) {
    LibraryLine found;
    found.line = line;
    const char* data = line.data();
    const std::size_t size = line.size();
    std::size_t pos = 0;
    while (pos < size) {
        const void* hit = std::memchr(data + pos, '<', size - pos);
        if (!hit) break;
        pos = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        markLibraryMarker(found, data + pos, size - pos, pos);
        ++pos;
    }
    return found;
}

} // namespace vx
