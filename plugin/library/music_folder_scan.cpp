#include "plugin/library/music_folder_scan.h"

#include "plugin/library/folder_cache.h"
#include "plugin/model/protected_data.h"

#include <sys/stat.h>

#include <deque>
#include <vector>

namespace vx {

namespace {

void addSong(SongLists& songs, const CachedSong& song) {
    const bool byAlbumArtist = !song.albumArtist.empty();
    songs.add(byAlbumArtist ? song.albumArtist : song.artist, song.album, 0,
              byAlbumArtist ? song.albumArtistId : song.artistId);
}

// A file read now: its path and tags, kept where they do not move while the scan runs.
struct ReadFile {
    std::string path;
    std::uint64_t size;
    std::int64_t modified;
    bool readable;
    SongTags tags;
};

} // namespace

bool isMusicFolder(const char* path) {
    struct stat info {};
    return path && *path && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool MusicFolderScan::readFolder(const std::string& folder, const std::string& cachePath,
                                 ProtectedData& state) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    const LoadedFolderCache before(cachePath.empty() ? std::string() : cachePath);
    // A start with nothing changed builds no second cache: the files found unchanged are
    // pointed at where they were loaded, and the cache is written only when something changed.
    std::vector<const LoadedFolderCache::Entry*> kept;
    kept.reserve(before.size());
    std::deque<ReadFile> fresh; // the files read now
    // Without the tag reader no tags can be read: the scan stops rather than cache every file as
    // unreadable.
    bool noReader = false;
    const auto stop = [&] { return noReader || state.getShutingDown(); };
    walkMusicFolder(
        folder,
        [&](const AudioFile& file) {
            CachedSong song;
            const LoadedFolderCache::Entry* cached = before.find(file.path);
            if (cached && cached->value.size == file.size && cached->value.modified == file.modified) {
                kept.push_back(cached);
                song = cached->value;
            } else {
                SongTags tags;
                const TagsRead read = readSongTags(file.path, tags);
                if (read == TagsRead::noReader) {
                    noReader = true;
                    return;
                }
                fresh.push_back(
                    {file.path, file.size, file.modified, read == TagsRead::read, std::move(tags)});
                const ReadFile& f = fresh.back();
                song = cachedSongOf(f.size, f.modified, f.readable, f.tags);
                if (++filesRead % kFilesPerNotice == 0)
                    state.setLibraryNotice(
                        ("Reading your music folder: " + std::to_string(filesRead) + " files so far")
                            .c_str());
            }
            if (song.readable) {
                addSong(found, song);
                ++songCount;
            } else {
                ++brokenFiles;
            }
        },
        stop, skipped);
    if (stop()) return false;
    // Only what changed is written; files gone since drop out of the cache with it.
    if (!cachePath.empty() && (filesRead > 0 || kept.size() != before.size())) {
        std::vector<SavedSong> after;
        after.reserve(kept.size() + fresh.size());
        for (const LoadedFolderCache::Entry* file : kept)
            after.push_back({file->written, file->value});
        for (const ReadFile& f : fresh)
            after.push_back({f.path, cachedSongOf(f.size, f.modified, f.readable, f.tags)});
        saveFolderCache(cachePath, after);
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
