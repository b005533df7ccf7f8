#include "plugin/library/song_lists.h"

#include "common/musicbrainz_id.h"

#include <algorithm>

namespace vx {

namespace {

void addPlays(std::uint64_t& sum, std::uint64_t played) {
    // Each track's count is cut, and so is the sum, so that no sum can overflow.
    sum = std::min(sum + played, SongLists::kMostPlays * SongLists::kMostPlays);
}

} // namespace

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
    if (const std::string_view id = trimmedName(artistId); !entry.idsDiffer && isMusicBrainzId(id)) {
        if (entry.id.empty()) {
            entry.id = musicBrainzId(id);
        } else if (!sameMusicBrainzId(entry.id, id)) {
            entry.idsDiffer = true;
            entry.id.clear();
        }
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
    std::unordered_set<std::string> differing;
    auto take = [&](const Artist& artist, const std::string& form) {
        if (artist.idsDiffer) differing.insert(form);
        if (artist.id.empty()) return;
        const auto [held, fresh] = ids.try_emplace(form, artist.id);
        if (!fresh && held->second != artist.id) differing.insert(form);
    };
    for (const Artist& artist : seen) {
        take(artist, artist.forms.first);
        if (artist.forms.two) take(artist, artist.forms.second);
    }
    for (const std::string& form : differing)
        ids.erase(form);
    return ids;
}

void SongLists::addTo(XML_Artist_List& artists, XML_Album_List& albums) const {
    const ArtistIds known = ids();
    auto idOf = [&known](const std::string& form) {
        const auto found = known.find(form);
        return found == known.end() ? std::string_view() : std::string_view(found->second);
    };
    for (const Artist& artist : seen) {
        if (artist.forms.first.empty()) continue;
        artists.add(new XMLARTIST(artist.forms.first.c_str(), idOf(artist.forms.first)));
        if (artist.forms.two)
            artists.add(new XMLARTIST(artist.forms.second.c_str(), idOf(artist.forms.second)));
    }
    for (const std::string& name : albumEntries)
        albums.add(new XMLALBUM(name.c_str()));
}

} // namespace vx
