#include "plugin/library/music_folder_scan.h"

#include "plugin/library/folder_cache.h"
#include "plugin/model/protected_data.h"

#include <sys/stat.h>

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
    const std::size_t cachedBefore = before.size();
    FolderCache after;
    // Without the tag reader no tags can be read: the scan stops rather than cache every file as
    // unreadable.
    bool noReader = false;
    const auto stop = [&] { return noReader || state.getShutingDown(); };
    walkMusicFolder(
        folder,
        [&](const AudioFile& file) {
            CachedSong song;
            const auto cached = before.find(file.path);
            if (cached != before.end() && cached->second.size == file.size &&
                cached->second.modified == file.modified) {
                song = std::move(cached->second);
            } else {
                song.size = file.size;
                song.modified = file.modified;
                const TagsRead read = readSongTags(file.path, song.tags);
                if (read == TagsRead::noReader) {
                    noReader = true;
                    return;
                }
                song.readable = read == TagsRead::read;
                if (++filesRead % kFilesPerNotice == 0)
                    state.setLibraryNotice(
                        ("Reading your music folder: " + std::to_string(filesRead) + " files so far")
                            .c_str());
            }
            if (song.readable) {
                addSong(found, song.tags);
                ++songCount;
            } else {
                ++brokenFiles;
            }
            after.emplace(file.path, std::move(song));
        },
        stop, skipped);
    if (stop()) return false;
    // Only what changed is written; files gone since drop out of the cache with it.
    if (!cachePath.empty() && (filesRead > 0 || after.size() != cachedBefore))
        saveFolderCache(cachePath, after);
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
