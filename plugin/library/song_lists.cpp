#include "plugin/library/song_lists.h"

#include <algorithm>

namespace vx {

namespace {

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
    const std::string_view written = trimmedName(artist);
    if (written.empty()) return;
    if (last == SIZE_MAX || written != lastWritten) {
        bool added = false;
        auto& known = byWritten.find(written, added);
        if (added) {
            known.value = seen.size();
            seen.push_back({artistNameForms(written), 0, {}});
        }
        lastWritten.assign(written);
        last = known.value;
    }
    Artist& entry = seen[last];
    if (entry.forms.first.empty()) return;
    addPlays(entry.plays, std::min(played, kMostPlays));
    if (entry.id.empty()) {
        const std::string_view id = trimmedName(artistId);
        if (isMusicBrainzId(id)) entry.id.assign(id);
    }
    const std::string_view albumName = trimmedName(album);
    if (albumName.empty() || albumName == lastAlbum) return;
    lastAlbum.assign(albumName);
    bool added = false;
    seenAlbums.find(albumName, added);
    if (!added) return;
    std::string stored = normalisedName(albumName);
    if (!stored.empty()) albumEntries.push_back(std::move(stored));
}

ArtistPlays::Counts SongLists::plays() const {
    ArtistPlays::Counts counts;
    for (const Artist& artist : seen) {
        if (artist.plays == 0) continue;
        addPlays(counts[artist.forms.first], artist.plays);
        if (artist.forms.two) addPlays(counts[artist.forms.second], artist.plays);
    }
    return counts;
}

ArtistIds SongLists::ids() const {
    ArtistIds ids;
    for (const Artist& artist : seen) {
        if (artist.id.empty()) continue;
        ids.try_emplace(artist.forms.first, artist.id);
        if (artist.forms.two) ids.try_emplace(artist.forms.second, artist.id);
    }
    return ids;
}

void SongLists::addTo(XML_Artist_List& artists, XML_Album_List& albums) const {
    for (const Artist& artist : seen) {
        if (artist.forms.first.empty()) continue;
        artists.add(new XMLARTIST(artist.forms.first.c_str()));
        if (artist.forms.two) artists.add(new XMLARTIST(artist.forms.second.c_str()));
    }
    for (const std::string& name : albumEntries)
        albums.add(new XMLALBUM(name.c_str()));
}

} // namespace vx
