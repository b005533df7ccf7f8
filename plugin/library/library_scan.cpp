#include "plugin/library/library_scan.h"

#include "plugin/library/artist_name_forms.h"
#include "plugin/library/library_markers.h"
#include "plugin/library/line_markers.h"
#include "plugin/library/line_source.h"
#include "plugin/library/xml_entities.h"
#include "plugin/model/protected_data.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vx {

namespace {

constexpr std::string_view kStringEnd = "</string>";
constexpr std::string_view kIntegerEnd = "</integer>";
// Values are held as the fixed 256-byte fields of the original records held them.
constexpr std::size_t kLongestValue = 255;

std::string_view cut(std::string_view value) {
    return value.substr(0, kLongestValue);
}

// "7.4.2" reads as 7.42: every point after the first is dropped.
float versionNumber(std::string_view text) {
    std::string digits;
    bool point = false;
    for (char c : cut(text)) {
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

// The text up to the first NUL, as a C string field would hold it.
std::string_view asField(std::string_view value) {
    return value.substr(0, findByte(value, '\0'));
}

// A track's play count: absent, negative or unreadable is 0; more than anyone could play a
// track is cut, so that no sum over a library can overflow.
std::uint64_t playCountOf(std::string_view text) {
    constexpr std::uint64_t kMostPlays = 1000000;
    std::uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return c == '-' || n == 0 ? 0 : std::min(n, kMostPlays);
        n = std::min(n * 10 + static_cast<std::uint64_t>(c - '0'), kMostPlays);
    }
    return n;
}

} // namespace

bool isAudibleKind(std::string_view kind) {
    return kind.starts_with("Audible");
}

bool isSpokenGenre(std::string_view genre) {
    return genre == "Podcast" || genre == "Audiobook" || genre == "Audiobooks";
}

std::string listArtistEntry(std::string_view written) {
    const ArtistNameForms forms = artistNameForms(decodeXmlEntities(written));
    return forms.two ? forms.first + "," + forms.second : forms.first;
}

const LibraryScanPolicy kListsPolicy{listArtistEntry};

bool LibraryScan::readFile(const char* path) {
    LineSource library(path, &arena);
    if (!library.isOpen()) return false;
    std::string_view lines;
    while (!state.getShutingDown() && library.nextLines(lines))
        readLines(lines);
    return true;
}

void LibraryScan::readLines(std::string_view lines) {
    // Outside the playlist a line without any marker changes nothing.
    forEachLibraryLine(
        lines, [this](const LibraryLine& found) { lineFound(found); }, [this] { return playlistMode; });
}

void LibraryScan::lineFound(const LibraryLine& found) {
    if (!versionTaken && policy.readsVersion) takeVersion(found);
    if (playlistMode && !playlistLine(found)) return;
    trackLine(found);
}

void LibraryScan::takeVersion(const LibraryLine& found) {
    std::string_view value;
    if (!found.value(kVersionKey, kStringEnd, value)) return;
    state.setiTunesVersion(versionNumber(value));
    versionTaken = true;
}

bool LibraryScan::playlistLine(const LibraryLine& found) {
    const std::string_view line = found.line;
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
    if (!policy.playlistNarrows) return false;
    if (firstPlaylistLine) {
        // The playlist replaces the whole library.
        clearLists();
        firstPlaylistLine = false;
    }
    std::string_view value;
    if (found.value(kTrackIdKey, kIntegerEnd, value)) {
        if (const TrackNames* names = recordedTrack(asField(cut(value)))) {
            addArtists(*names->artist);
            if (names->album) addAlbum(*names->album);
        }
    }
    return false;
}

void LibraryScan::trackLine(const LibraryLine& found) {
    if (found.has(kDictOpen)) dictOpened = true;
    if (found.has(kDictClose)) dictClosed = true;

    std::string_view value;
    if (found.value(kTrackIdKey, kIntegerEnd, value)) {
        trackId.assign(asField(cut(value)));
        trackIdSeen = true;
    }
    if (found.value(kArtistKey, kStringEnd, value)) {
        artist = storedName(artistNames, lastArtist, asField(cut(value)), true);
        artistSeen = true;
    }
    if (policy.readsAlbums && found.value(kAlbumKey, kStringEnd, value)) {
        album = storedName(albumNames, lastAlbum, asField(cut(value)), false);
        albumSeen = true;
    }
    if (found.value(kGenreKey, kStringEnd, value)) {
        spokenGenre = isSpokenGenre(asField(cut(value)));
    }
    if (found.value(kPlayCountKey, kIntegerEnd, value)) playCount = playCountOf(cut(value));
    if (found.has(kMovieFlag) || found.has(kTvShowFlag) || found.has(kPodcastFlag)) notMusic = true;
    if (found.value(kKindKey, kStringEnd, value) && isAudibleKind(value)) notMusic = true;

    if (artistSeen && trackIdSeen && dictOpened && dictClosed) recordTrack();
    if (dictClosed) clearTrack();
    playlistMode = found.has(kOwnPlaylist);
}

LibraryScan::Name* LibraryScan::storedName(Names& names, Names::Entry*& last, std::string_view written,
                                           bool isArtist) {
    // The tracks of an album follow each other in the file.
    if (last && Names::sameText(last->written, written)) return &last->value;
    bool added = false;
    last = &names.find(written, added);
    if (added) {
        last->value.number = static_cast<std::uint32_t>(numbered.size());
        numbered.push_back(&last->value);
        // Decoded here, once per new name, so the walk over the lines stays as fast as it is.
        last->value.stored =
            isArtist ? policy.artistEntry(written) : normalisedName(decodeXmlEntities(written));
    }
    return &last->value;
}

void LibraryScan::recordTrack() {
    if (artist->stored.empty()) return;
    // Music videos have no such key and stay: their artists play concerts.
    if (notMusic || spokenGenre) return;
    addArtists(*artist);
    if (albumSeen) addAlbum(*album);
    if (playCount > 0) {
        if (artist->plays == 0) playedArtists.push_back(artist);
        artist->plays += playCount;
    }
    // Only a playlist that narrows the lists looks its tracks up.
    if (!policy.playlistNarrows) return;
    recorded.push_back(
        {static_cast<std::uint32_t>(trackKey(trackId, true)), artist->number, albumSeen ? album->number : 0});
}

std::uint64_t LibraryScan::trackKey(std::string_view id, bool adding) {
    constexpr std::uint32_t kOdd = std::uint32_t{1} << 31;
    bool plain = !id.empty() && id.size() <= 10 && (id[0] != '0' || id.size() == 1);
    std::uint64_t number = 0;
    for (std::size_t i = 0; plain && i < id.size(); ++i) {
        const unsigned digit = static_cast<unsigned char>(id[i]) - unsigned{'0'};
        plain = digit <= 9;
        number = number * 10 + digit;
    }
    if (plain && number < kOdd) return number;
    if (adding)
        return oddIds.try_emplace(std::string(id), kOdd | static_cast<std::uint32_t>(oddIds.size()))
            .first->second;
    auto it = oddIds.find(std::string(id));
    return it == oddIds.end() ? std::string_view::npos : it->second;
}

const LibraryScan::TrackNames* LibraryScan::recordedTrack(std::string_view id) {
    for (; indexed < recorded.size(); ++indexed) {
        const Recorded& r = recorded[indexed];
        TrackNames& names = tracks[r.id];
        names.artist = numbered[r.artist];
        // A later track of the same id without an album keeps the earlier one's.
        if (r.album) names.album = numbered[r.album];
    }
    auto it = tracks.find(trackKey(id, false));
    return it == tracks.end() ? nullptr : &it->second;
}

void LibraryScan::addArtists(Name& name) {
    if (name.offered == filling) return;
    name.offered = filling;
    const std::string& stored = name.stored;
    const auto add = [this](const std::string& entry) {
        if (policy.keepsWrittenForm)
            artists.addUncleaned(new XMLARTIST(entry.c_str()));
        else
            artists.add(new XMLARTIST(entry.c_str()));
    };
    const std::size_t comma = stored.find(',');
    if (comma == std::string::npos) {
        add(stored);
        return;
    }
    add(stored.substr(0, comma));
    add(stored.substr(comma + 1));
}

void LibraryScan::addAlbum(Name& name) {
    if (name.offered == filling) return;
    name.offered = filling;
    albums.add(new XMLALBUM(name.stored.c_str()));
}

void LibraryScan::clearLists() {
    artists.clear();
    albums.clear();
    ++filling;
}

void LibraryScan::clearTrack() {
    dictOpened = dictClosed = artistSeen = albumSeen = spokenGenre = trackIdSeen = notMusic = false;
    playCount = 0;
}

ArtistPlays::Counts LibraryScan::artistPlays() const {
    ArtistPlays::Counts counts;
    for (const Name* name : playedArtists) {
        const std::string& stored = name->stored;
        const std::size_t comma = stored.find(',');
        // A name written in two orders is one artist: each form has its plays.
        counts[stored.substr(0, comma)] += name->plays;
        if (comma != std::string::npos) counts[stored.substr(comma + 1)] += name->plays;
    }
    return counts;
}

} // namespace vx
