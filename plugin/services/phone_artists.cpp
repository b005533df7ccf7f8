#include "plugin/services/phone_artists.h"

#include "common/fixed_text.h"
#include "plugin/library/library_markers.h"
#include "plugin/library/library_scan.h"
#include "plugin/library/line_markers.h"
#include "plugin/library/line_source.h"
#include "plugin/library/xml_entities.h"
#include "plugin/services/unicode_letters.h"

#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

constexpr std::size_t kExamined = 256;
constexpr std::size_t kLongestName = 255;
constexpr std::string_view kStringEnd = "</string>";
constexpr std::string_view kIntegerEnd = "</integer>";

bool isLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The value as the library's fixed 256-byte fields held it: up to a NUL, cut to 255.
std::string_view fieldValue(std::string_view value) {
    return value.substr(0, value.find('\0')).substr(0, kLongestName);
}

// The per-track rule of the library reader, without its two-order names and with the product's
// playlist skipped rather than taken as the whole library.
class PhoneScan {
  public:
    explicit PhoneScan(XML_Artist_List& list) : list(list) {}

    void readLine(std::string_view line) {
        const vx::LibraryLine found = vx::findLibraryMarkers(line);
        if (playlistMode && !playlistEnds(line)) return;
        trackLine(found);
    }

  private:
    // The playlist's lines run from the one after its name to its "</array>", or to its "/dict"
    // when it has no items; the closing line is read as any other.
    bool playlistEnds(std::string_view line) {
        if (vx::hasMarker(line, "<array>") || insideItems) {
            if (vx::hasMarker(line, "</array>")) {
                insideItems = false;
                return true;
            }
            insideItems = true;
            return false;
        }
        if (vx::hasMarker(line, "/dict")) return true;
        return false;
    }

    void trackLine(const vx::LibraryLine& found) {
        if (found.has(vx::kDictOpen)) dictOpened = true;
        if (found.has(vx::kDictClose)) dictClosed = true;
        std::string_view value;
        if (found.value(vx::kTrackIdKey, kIntegerEnd, value)) trackIdSeen = true;
        if (found.value(vx::kArtistKey, kStringEnd, value)) {
            artist = vx::decodeXmlEntities(fieldValue(value));
            artistSeen = true;
        }
        if (found.value(vx::kGenreKey, kStringEnd, value)) {
            genre.assign(fieldValue(value));
            genreSeen = true;
        }
        if (found.has(vx::kMovieFlag) || found.has(vx::kTvShowFlag) || found.has(vx::kPodcastFlag))
            notMusic = true;
        if (found.value(vx::kKindKey, kStringEnd, value) && vx::isAudibleKind(value)) notMusic = true;

        if (artistSeen && trackIdSeen && dictOpened && dictClosed) recordTrack();
        if (dictClosed) dictOpened = dictClosed = artistSeen = genreSeen = trackIdSeen = notMusic = false;
        playlistMode = found.has(vx::kOwnPlaylist);
    }

    void recordTrack() {
        if (artist.empty() || notMusic || (genreSeen && vx::isSpokenGenre(genre))) return;
        // An artist recurs on every track of their albums: each written name is cleaned once.
        if (!offered.insert(artist).second) return;
        char name[kLongestName + 1];
        vx::copyText(name, artist.c_str());
        iPhoneArtistClean(name);
        if (name[0]) list.addUncleaned(new XMLARTIST(name));
    }

    XML_Artist_List& list;
    bool dictOpened = false, dictClosed = false, artistSeen = false, genreSeen = false;
    bool trackIdSeen = false, notMusic = false;
    bool playlistMode = false, insideItems = false;
    std::string artist, genre;
    std::unordered_set<std::string> offered;
};

// A line of the include or exclude file as a phone name; empty when nothing is left.
std::string phoneName(std::string_view line) {
    char name[kLongestName + 1];
    vx::copyText(name, std::string(fieldValue(line)).c_str());
    iPhoneArtistClean(name);
    return name;
}

void removeCompilations(XML_Artist_List& list) {
    std::vector<std::string> names;
    {
        std::lock_guard<ListMutex> hold(list.mutex);
        for (XMLARTIST* a = list.head; a; a = a->next) {
            const std::string cleaned = cleanedName(a->name);
            if (cleaned == "various" || cleaned == "variousartists") names.emplace_back(a->name);
        }
    }
    for (const std::string& n : names)
        list.remove(n.c_str());
}

} // namespace

void iPhoneArtistClean(char* name) {
    if (!name) return;
    const std::string_view text(name);
    std::string out;
    std::size_t i = 0;
    while (i < kExamined && i < text.size()) {
        const char c = text[i];
        if (isLetterOrDigit(c) || (c == ' ' && !out.empty())) {
            out += c;
            ++i;
        } else if (text.substr(i, 5) == "&#38;") {
            out += "and";
            i += 5;
        } else if (c == '&') {
            // The library reader hands "&#38;" over decoded.
            out += "and";
            ++i;
        } else if (const std::size_t n = vx::utf8CharLength(text, i); n > 1) {
            // A letter of any script is kept whole; other characters go whole, never in part.
            if (vx::isNonAsciiLetter(vx::utf8CodePoint(text, i, n))) out.append(text.substr(i, n));
            i += n;
        } else {
            ++i;
        }
    }
    // Cut to 255 bytes before a whole character, then drop the blanks at the end.
    std::size_t length = out.size();
    if (length > kLongestName) {
        length = kLongestName;
        while (length > 0 && (static_cast<unsigned char>(out[length]) & 0xC0) == 0x80)
            --length;
    }
    while (length > 0 && out[length - 1] == ' ')
        --length;
    std::memcpy(name, out.data(), length);
    name[length] = '\0';
}

void readPhoneArtists(std::string_view text, XML_Artist_List& list) {
    PhoneScan scan(list);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        scan.readLine(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

int GetFullArtistList(ProtectedData& st, XML_Artist_List& list) {
    list.clear();
    char path[1024];
    st.getiTunes_xml_path(path);
    PhoneScan scan(list);
    if (!vx::forEachLine(path, [&](std::string_view line) { scan.readLine(line); })) return 1;

    st.getVoxtrailIncludeBandsList(path);
    vx::forEachLine(path, [&](std::string_view line) {
        const std::string name = phoneName(line);
        if (!name.empty()) list.addUncleaned(new XMLARTIST(name.c_str()));
    });
    st.getVoxtrailExcludeBandsList(path);
    vx::forEachLine(path, [&](std::string_view line) {
        const std::string name = phoneName(line);
        if (!name.empty()) list.remove(name.c_str());
    });
    removeCompilations(list);
    return 0;
}
