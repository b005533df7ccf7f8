#pragma once
// What was read of each file of a music folder, kept in the support folder so that the next start
// reads again only the files whose size or modification time changed.
#include "plugin/library/folder_tags.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace vx {

constexpr const char* kFolderCacheFile = "VoxtrailFolderCache";

struct CachedSong {
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    bool readable = false; // a broken file is remembered too, so that it is not read again
    SongTags tags;
};

using FolderCache = std::unordered_map<std::string, CachedSong>; // by path

// The cache at path; empty when it is missing or unreadable. Lines it cannot parse are dropped.
FolderCache loadFolderCache(const std::string& path);
// Writes the cache whole in one step; false when it could not be written.
bool saveFolderCache(const std::string& path, const FolderCache& cache);

} // namespace vx
