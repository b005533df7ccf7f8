#include "plugin/services/library_markers.h"

#include "plugin/services/line_markers.h"

#include <cstring>

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

bool startsWith(const char* at, std::size_t left, std::string_view pattern) {
    return left >= pattern.size() && std::memcmp(at, pattern.data(), pattern.size()) == 0;
}

bool startsWithIgnoringCase(const char* at, std::size_t left, std::string_view lowerPattern) {
    if (left < lowerPattern.size()) return false;
    for (std::size_t i = 0; i < lowerPattern.size(); ++i)
        if (lowerAscii(at[i]) != lowerPattern[i]) return false;
    return true;
}

} // namespace

bool LibraryLine::value(LibraryMarker m, std::string_view close, std::string_view& out) const {
    return has(m) && valueAfter(line, at[m], kLibraryMarkerText[m], close, out);
}

LibraryLine findLibraryMarkers(std::string_view line) {
    LibraryLine found;
    found.line = line;
    for (std::size_t& a : found.at)
        a = std::string_view::npos;
    const char* data = line.data();
    const std::size_t size = line.size();
    auto mark = [&](LibraryMarker m, std::size_t pos, const char* at, std::size_t left) {
        if (found.at[m] == std::string_view::npos && startsWith(at, left, kLibraryMarkerText[m]))
            found.at[m] = pos;
    };
    std::size_t pos = 0;
    while (pos < size) {
        const void* hit = std::memchr(data + pos, '<', size - pos);
        if (!hit) break;
        pos = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        const char* at = data + pos;
        const std::size_t left = size - pos;
        // Every marker starts with '<'; the byte behind it, and for keys the key's first letter,
        // tells which one can stand here.
        if (left >= 6) {
            switch (at[1]) {
            case 'd':
                mark(kDictOpen, pos, at, left);
                break;
            case '/':
                mark(kDictClose, pos, at, left);
                break;
            case 'k':
            case 'K':
                switch (at[5]) {
                case 'A':
                    mark(kVersionKey, pos, at, left);
                    mark(kArtistKey, pos, at, left);
                    mark(kAlbumKey, pos, at, left);
                    break;
                case 'T':
                    mark(kTrackIdKey, pos, at, left);
                    mark(kTvShowFlag, pos, at, left);
                    break;
                case 'G':
                    mark(kGenreKey, pos, at, left);
                    break;
                case 'K':
                    mark(kKindKey, pos, at, left);
                    break;
                case 'M':
                    mark(kMovieFlag, pos, at, left);
                    break;
                case 'P':
                    mark(kPodcastFlag, pos, at, left);
                    break;
                case 'n':
                case 'N':
                    if (found.at[kOwnPlaylist] == std::string_view::npos &&
                        startsWithIgnoringCase(at, left, kLibraryMarkerText[kOwnPlaylist]))
                        found.at[kOwnPlaylist] = pos;
                    break;
                default:
                    break;
                }
                break;
            default:
                break;
            }
        }
        ++pos;
    }
    return found;
}

} // namespace vx
