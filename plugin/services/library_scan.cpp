#include "plugin/services/library_scan.h"

#include "plugin/model/fixed_text.h"
#include "plugin/model/protected_data.h"
#include "plugin/services/artist_name_forms.h"
#include "plugin/services/line_markers.h"

#include <charconv>
#include <cmath>

namespace vx {

namespace {

constexpr std::string_view kVersionKey = "<key>Application Version</key><string>";
constexpr std::string_view kTrackIdKey = "<key>Track ID</key><integer>";
constexpr std::string_view kArtistKey = "<key>Artist</key><string>";
constexpr std::string_view kAlbumKey = "<key>Album</key><string>";
constexpr std::string_view kGenreKey = "<key>Genre</key><string>";
constexpr std::string_view kStringEnd = "</string>";
constexpr std::string_view kIntegerEnd = "</integer>";
constexpr std::string_view kOwnPlaylist = "<key>name</key><string>voxtrail</string>";

// Copies a value out of the line into a fixed buffer, cut to its capacity.
template <std::size_t N> void copyValue(char (&dst)[N], std::string_view value) {
    const std::string terminated(value.substr(0, N - 1));
    copyText(dst, terminated.c_str());
}

// "7.4.2" reads as 7.42: every point after the first is dropped.
float versionNumber(std::string_view text) {
    std::string digits;
    bool point = false;
    for (char c : text.substr(0, 255)) {
        if (c == '.') {
            if (point) continue;
            point = true;
        }
        digits += c;
    }
    // Read as "%f" would, but the same in every locale.
    const std::size_t start = digits.find_first_not_of(" \t");
    if (start == std::string::npos) return 0.0f;
    float version = 0.0f;
    const char* first = digits.data() + start;
    if (*first == '+') ++first;
    if (std::from_chars(first, digits.data() + digits.size(), version).ec != std::errc()) return 0.0f;
    return std::isfinite(version) ? version : 0.0f;
}

} // namespace

void LibraryScan::readLine(std::string_view line) {
    if (!versionTaken) takeVersion(line);
    if (playlistMode && !playlistLine(line)) return;
    trackLine(line);
}

void LibraryScan::takeVersion(std::string_view line) {
    std::string_view value;
    if (!markedValue(line, kVersionKey, kStringEnd, value)) return;
    state.setiTunesVersion(versionNumber(value));
    versionTaken = true;
}

bool LibraryScan::playlistLine(std::string_view line) {
    if (hasMarker(line, "<array>") || insideItems) {
        if (hasMarker(line, "</array>")) {
            insideItems = false;
            return true;
        }
        insideItems = true;
    } else if (hasMarker(line, "/dict")) {
        insideItems = false;
        return true;
    }
    if (firstPlaylistLine) {
        // The playlist replaces the whole library.
        artists.clear();
        albums.clear();
        firstPlaylistLine = false;
    }
    std::string_view value;
    if (markedValue(line, kTrackIdKey, kIntegerEnd, value)) {
        char id[256];
        copyValue(id, value);
        if (auto it = trackArtists.find(id); it != trackArtists.end()) addArtists(it->second);
        if (auto it = trackAlbums.find(id); it != trackAlbums.end()) albums.add(new XMLALBUM(it->second.c_str()));
    }
    return false;
}

void LibraryScan::trackLine(std::string_view line) {
    if (hasMarker(line, "<dict>")) dictOpened = true;
    if (hasMarker(line, "</dict>")) dictClosed = true;

    std::string_view value;
    if (markedValue(line, kTrackIdKey, kIntegerEnd, value)) {
        copyValue(trackId, value);
        trackIdSeen = true;
    }
    if (markedValue(line, kArtistKey, kStringEnd, value)) {
        char written[256];
        copyValue(written, value);
        const ArtistNameForms forms = artistNameForms(written);
        copyText(artist, forms.first.c_str());
        if (forms.two) {
            appendText(artist, ",");
            appendText(artist, forms.second.c_str());
        }
        artistSeen = true;
    }
    if (markedValue(line, kAlbumKey, kStringEnd, value)) {
        copyText(album, normalisedName(value).c_str());
        albumSeen = true;
    }
    if (markedValue(line, kGenreKey, kStringEnd, value)) {
        copyValue(genre, value);
        genreSeen = true;
    }

    if (artistSeen && trackIdSeen && dictOpened && dictClosed) recordTrack();
    if (dictClosed) clearTrack();
    playlistMode = hasMarkerIgnoringCase(line, kOwnPlaylist);
}

void LibraryScan::recordTrack() {
    if (artist[0] == '\0') return;
    if (genreSeen && std::string_view(genre) == "Podcast") return;
    addArtists(artist);
    trackArtists[trackId] = artist;
    if (albumSeen) {
        albums.add(new XMLALBUM(album));
        trackAlbums[trackId] = album;
    }
}

void LibraryScan::addArtists(const std::string& stored) {
    const std::size_t comma = stored.find(',');
    if (comma == std::string::npos) {
        artists.add(new XMLARTIST(stored.c_str()));
        return;
    }
    artists.add(new XMLARTIST(stored.substr(0, comma).c_str()));
    artists.add(new XMLARTIST(stored.substr(comma + 1).c_str()));
}

void LibraryScan::clearTrack() {
    dictOpened = dictClosed = artistSeen = albumSeen = genreSeen = trackIdSeen = false;
}

} // namespace vx
