#pragma once
// What was read of each file of a music folder, kept in the support folder so that the next start
// reads again only the files whose size or modification time changed.
#include "plugin/library/folder_tags.h"
#include "plugin/library/huge_blocks.h"
#include "plugin/library/name_table.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

constexpr const char* kFolderCacheFile = "VoxtrailFolderCache";

// One file as the cache keeps it; the texts are views into whoever holds them.
struct CachedSong {
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    bool readable = false; // a broken file is remembered too, so that it is not read again
    std::string_view artist;
    std::string_view albumArtist;
    std::string_view album;
    std::string_view artistId;
    std::string_view albumArtistId;
};

// The cache as loaded: its bytes and, by path, views into them. A start with nothing changed
// reads it without a copy of any name, in memory of a few large pages.
class LoadedFolderCache {
  public:
    // The cache at path; empty when it is missing or unreadable. Lines it cannot parse are
    // dropped, and a path's last line counts.
    explicit LoadedFolderCache(const std::string& path);
    LoadedFolderCache(const LoadedFolderCache&) = delete;
    LoadedFolderCache& operator=(const LoadedFolderCache&) = delete;

    using Entry = NameTable<CachedSong>::Entry;

    // The path's entry: the path as loaded and its song; null when the cache has no such path.
    const Entry* find(std::string_view path) const { return songs.lookup(path); }
    std::size_t size() const { return songs.size(); }

  private:
    void parseLine(std::string_view line);

    HugeArena arena;
    NameTable<CachedSong> songs{arena};
};

// A path and its song, as saved.
struct SavedSong {
    std::string_view path;
    CachedSong song;
};

// Writes the cache whole in one step; false when it could not be written.
bool saveFolderCache(const std::string& path, const std::vector<SavedSong>& songs);

// A song's tags as a cache keeps them (views into tags).
CachedSong cachedSongOf(std::uint64_t size, std::int64_t modified, bool readable, const SongTags& tags);

} // namespace vx
