#include "plugin/library/music_folder_scan.h"

#include "plugin/library/folder_cache.h"
#include "plugin/model/protected_data.h"

#include <sys/stat.h>

#include <vector>

namespace vx {

namespace {

void addSong(SongLists& songs, const SongTags& tags) {
    const bool byAlbumArtist = !tags.albumArtist.empty();
    songs.add(byAlbumArtist ? tags.albumArtist : tags.artist, tags.album, 0,
              byAlbumArtist ? tags.albumArtistId : tags.artistId);
}

} // namespace

bool isMusicFolder(const char* path) {
    struct stat info {};
    return path && *path && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool MusicFolderScan::readFolder(const std::string& folder, const std::string& cachePath,
                                 ProtectedData& state) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    FolderCache before = cachePath.empty() ? FolderCache{} : loadFolderCache(cachePath);
    // A start with nothing changed builds no second cache: the files found unchanged are
    // pointed at where they were loaded, and the cache is written only when something changed.
    std::vector<const FolderCache::value_type*> kept;
    kept.reserve(before.size());
    FolderCache fresh; // the files read now
    // Without the tag reader no tags can be read: the scan stops rather than cache every file as
    // unreadable.
    bool noReader = false;
    const auto stop = [&] { return noReader || state.getShutingDown(); };
    walkMusicFolder(
        folder,
        [&](const AudioFile& file) {
            const CachedSong* song = nullptr;
            const auto cached = before.find(file.path);
            if (cached != before.end() && cached->second.size == file.size &&
                cached->second.modified == file.modified) {
                kept.push_back(&*cached);
                song = &cached->second;
            } else {
                CachedSong read;
                read.size = file.size;
                read.modified = file.modified;
                const TagsRead tags = readSongTags(file.path, read.tags);
                if (tags == TagsRead::noReader) {
                    noReader = true;
                    return;
                }
                read.readable = tags == TagsRead::read;
                if (++filesRead % kFilesPerNotice == 0)
                    state.setLibraryNotice(
                        ("Reading your music folder: " + std::to_string(filesRead) + " files so far")
                            .c_str());
                song = &fresh.insert_or_assign(file.path, std::move(read)).first->second;
            }
            if (song->readable) {
                addSong(found, song->tags);
                ++songCount;
            } else {
                ++brokenFiles;
            }
        },
        stop, skipped);
    if (stop()) return false;
    // Only what changed is written; files gone since drop out of the cache with it.
    if (!cachePath.empty() && (filesRead > 0 || kept.size() != before.size())) {
        for (const FolderCache::value_type* file : kept)
            fresh.insert(*file);
        saveFolderCache(cachePath, fresh);
    }
    return true;
}

std::string MusicFolderScan::summary() const {
    std::string line = std::to_string(songCount) + " songs read";
    const std::uint32_t passed = skipped.total() + brokenFiles;
    if (passed == 0) return line;
    line += "; " + std::to_string(passed) + " files passed over (";
    std::string parts;
    auto part = [&](std::uint32_t n, const char* what) {
        if (n == 0) return;
        if (!parts.empty()) parts += ", ";
        parts += std::to_string(n) + " " + what;
    };
    part(brokenFiles, "unreadable tags");
    part(skipped.empty, "empty");
    part(skipped.unreadable, "not readable");
    part(skipped.notFiles, "not files");
    part(skipped.badNames, "names not UTF-8");
    part(skipped.loops, "link loops");
    return line + parts + ")";
}

} // namespace vx
