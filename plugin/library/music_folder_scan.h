#pragma once
// A folder of music files read as the library: every audio file's tags, through a cache of what
// earlier starts read, with the reading's progress and what was passed over in the status line.
#include "common/folder_walk.h"
#include "plugin/library/song_lists.h"

#include <cstdint>
#include <string>

class ProtectedData;

namespace vx {

// True when path names a folder (following links): the library is then the music in it.
bool isMusicFolder(const char* path);

class MusicFolderScan {
  public:
    // Between notices of progress, files read with TagLib.
    static constexpr std::uint32_t kFilesPerNotice = 100;

    // Reads folder, keeping what was read in cachePath ("" keeps nothing). False when the folder
    // cannot be opened or a shutdown stopped the reading.
    bool readFolder(const std::string& folder, const std::string& cachePath, ProtectedData& state);
    const SongLists& songs() const { return found; }
    const FolderSkips& skips() const { return skipped; }
    std::uint32_t broken() const { return brokenFiles; }
    std::uint32_t tagsRead() const { return filesRead; }
    // For the status line: the songs read and the files passed over.
    std::string summary() const;

  private:
    SongLists found;
    FolderSkips skipped;
    std::uint32_t songCount = 0;
    std::uint32_t brokenFiles = 0;
    std::uint32_t filesRead = 0; // with TagLib, not from the cache
};

} // namespace vx
