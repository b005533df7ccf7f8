#include "plugin/library/song_lists.h"

#include <algorithm>

namespace vx {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void addPlays(std::uint64_t& sum, std::uint64_t played) {
    // Each track's count is cut, and so is the sum, so that no sum can overflow.
    sum = std::min(sum + played, SongLists::kMostPlays * SongLists::kMostPlays);
}

} // namespace

bool isMusicBrainzId(std::string_view text) {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !isHexDigit(text[i])) return false;
    }
    return true;
}

void SongLists::add(std::string_view artist, std::string_view album, std::uint64_t played,
                    std::string_view artistId) {
    const std::string_view written = trimmed(artist);
    if (written.empty()) return;
    if (!lastForms || written != lastWritten) {
        auto [known, added] = artistForms.try_emplace(std::string(written));
        if (added) {
            known->second = artistNameForms(written);
            if (!known->second.first.empty()) {
                artistEntries.push_back(known->second.first);
                if (known->second.two) artistEntries.push_back(known->second.second);
            }
        }
        lastWritten.assign(written);
        lastForms = &known->second;
    }
    const ArtistNameForms& forms = *lastForms;
    if (forms.first.empty()) return;
    played = std::min(played, kMostPlays);
    if (played > 0) {
        addPlays(playCounts[forms.first], played);
        if (forms.two) addPlays(playCounts[forms.second], played);
    }
    const std::string_view id = trimmed(artistId);
    if (isMusicBrainzId(id)) {
        artistIds.try_emplace(forms.first, id);
        if (forms.two) artistIds.try_emplace(forms.second, id);
    }
    const std::string_view albumName = trimmed(album);
    if (!albumName.empty() && seenAlbums.emplace(albumName).second) {
        std::string stored = normalisedName(albumName);
        if (!stored.empty()) albumEntries.push_back(std::move(stored));
    }
}

void SongLists::addTo(XML_Artist_List& artists, XML_Album_List& albums) const {
    for (const std::string& name : artistEntries)
        artists.add(new XMLARTIST(name.c_str()));
    for (const std::string& name : albumEntries)
        albums.add(new XMLALBUM(name.c_str()));
}

} // namespace vx
