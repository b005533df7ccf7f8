#include "plugin/services/phone_artists.h"

#include "common/fixed_text.h"
#include "common/unicode_letters.h"
#include "plugin/library/library_scan.h"
#include "plugin/library/line_source.h"
#include "plugin/library/xml_entities.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kExamined = 256;
constexpr std::size_t kLongestName = 255;

bool isLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The value as the library's fixed 256-byte fields held it: up to a NUL, cut to 255.
std::string_view fieldValue(std::string_view value) {
    return value.substr(0, value.find('\0')).substr(0, kLongestName);
}

// A track's artist as the phone shows it; "" leaves the track out.
std::string phoneArtistEntry(std::string_view written) {
    const std::string artist = vx::decodeXmlEntities(written);
    if (artist.empty()) return {};
    char name[kLongestName + 1];
    vx::copyText(name, artist.c_str());
    iPhoneArtistClean(name);
    return name;
}

// The library reader's walk and track rule, with its names as the phone shows them, no albums,
// and the product's playlist passed over rather than taken as the whole library.
const vx::LibraryScanPolicy kPhonePolicy{phoneArtistEntry, true, false, false, false};

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
    // A name of punctuation only ("!!!") is sent as it is written rather than left out.
    // Control bytes are left out of it, and blanks from its start.
    if (out.find_first_not_of(' ') == std::string::npos) {
        out.clear();
        for (const char c : text.substr(0, kExamined))
            if (static_cast<unsigned char>(c) >= ' ' && c != 0x7F && (c != ' ' || !out.empty())) out += c;
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
    ProtectedData state;
    XML_Album_List albums;
    vx::LibraryScan(list, albums, state, kPhonePolicy).readLines(text);
}

int GetFullArtistList(ProtectedData& st, XML_Artist_List& list) {
    list.clear();
    char path[1024];
    st.getiTunes_xml_path(path);
    XML_Album_List albums;
    if (!vx::LibraryScan(list, albums, st, kPhonePolicy).readFile(path)) return 1;

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
