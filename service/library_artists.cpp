#include "service/library_artists.h"

#include "common/utf8_append.h"
#include "service/regular_file_text.h"

#include <cctype>
#include <cstdlib>
#include <set>
#include <unordered_set>

namespace vxs {
namespace {

bool valueBetween(const std::string& line, std::string_view open, std::string_view close, std::string* out) {
    std::size_t a = line.find(open);
    if (a == std::string::npos) return false;
    a += open.size();
    std::size_t b = line.find(close, a);
    if (b == std::string::npos) return false;
    *out = line.substr(a, b - a);
    return true;
}

bool isWordOfLetters(std::string_view w) {
    if (w.empty()) return false;
    for (unsigned char c : w)
        if (!(std::isalpha(c) || c == '\'' || c == '-' || c == '.' || c >= 128)) return false;
    return true;
}

} // namespace

std::string decodeXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '&') {
            out += text[i++];
            continue;
        }
        std::size_t semi = text.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += text[i++];
            continue;
        }
        std::string_view ref = text.substr(i + 1, semi - i - 1);
        bool done = true;
        if (ref == "amp")
            out += '&';
        else if (ref == "lt")
            out += '<';
        else if (ref == "gt")
            out += '>';
        else if (ref == "quot")
            out += '"';
        else if (ref == "apos")
            out += '\'';
        else if (ref.size() >= 2 && ref[0] == '#') {
            bool hex = ref[1] == 'x' || ref[1] == 'X';
            std::string digits(ref.substr(hex ? 2 : 1));
            char* end = nullptr;
            unsigned long cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
            if (digits.empty() || *end != '\0' || cp == 0 || cp > 0x10FFFF)
                done = false;
            else
                vx::appendUtf8(out, static_cast<char32_t>(cp));
        } else {
            done = false;
        }
        if (done) {
            i = semi + 1;
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string listingName(const std::string& libraryName) {
    std::size_t comma = libraryName.find(',');
    if (comma == std::string::npos || libraryName.find(',', comma + 1) != std::string::npos)
        return libraryName;
    std::string last = libraryName.substr(0, comma);
    std::string first = libraryName.substr(comma + 1);
    while (!first.empty() && first.front() == ' ')
        first.erase(0, 1);
    if (!isWordOfLetters(last) || !isWordOfLetters(first)) return libraryName;
    for (const char* article : {"The", "the", "A", "a", "An", "an"})
        if (first == article) return libraryName;
    return first + " " + last;
}

bool readLibraryArtists(const std::string& path, std::vector<std::string>* artists, std::string* error,
                        std::map<std::string, std::vector<std::string>>* albums) {
    FileLines in;
    std::string reason;
    if (!in.open(path, "library", &reason)) {
        if (error) *error = reason;
        return false;
    }
    std::unordered_set<std::string> seen;
    std::set<std::pair<std::string, std::string>> seenAlbums;
    std::string line, artist, genre, album;
    bool inTrack = false;
    while (in.next(&line)) {
        std::string value;
        // A song of a Linux player's database stands for a track; its album artist names it.
        if (line.find("<entry type=\"song\">") != std::string::npos) {
            inTrack = true;
            artist.clear();
            genre.clear();
            album.clear();
        }
        if (inTrack && valueBetween(line, "<album-artist>", "</album-artist>", &value))
            artist = decodeXmlText(value);
        if (inTrack && artist.empty() && valueBetween(line, "<artist>", "</artist>", &value))
            artist = decodeXmlText(value);
        if (inTrack && valueBetween(line, "<album>", "</album>", &value)) album = decodeXmlText(value);
        if (line.find("<key>Track ID</key>") != std::string::npos) {
            inTrack = true;
            artist.clear();
            genre.clear();
            album.clear();
        }
        if (!inTrack) continue;
        if (valueBetween(line, "<key>Artist</key><string>", "</string>", &value))
            artist = decodeXmlText(value);
        if (valueBetween(line, "<key>Album</key><string>", "</string>", &value)) album = decodeXmlText(value);
        if (valueBetween(line, "<key>Genre</key><string>", "</string>", &value)) genre = decodeXmlText(value);
        if (line.find("</dict>") != std::string::npos || line.find("</entry>") != std::string::npos) {
            if (!artist.empty() && genre != "Podcast" && seen.insert(artist).second)
                artists->push_back(artist);
            if (albums && !artist.empty() && !album.empty() && genre != "Podcast" &&
                seenAlbums.emplace(artist, album).second)
                (*albums)[artist].push_back(album);
            inTrack = false;
        }
    }
    return true;
}

} // namespace vxs
