#include "plugin/library/folder_cache.h"

#include "common/durable_files.h"
#include "common/regular_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <sys/stat.h>

namespace vx {

namespace {

// One line a file: size, modification time, readable, artist, album artist, album, artist id,
// album artist id, path; fields split by tabs, which no kept field holds.
constexpr std::size_t kFields = 9;
constexpr std::size_t kLongestLine = 16 << 10;
constexpr std::size_t kLargestCache = std::size_t{256} << 20;

void appendWithoutBreaks(std::string& to, std::string_view text) {
    const std::size_t at = to.size();
    to.append(text);
    for (std::size_t i = at; i < to.size(); ++i)
        if (to[i] == '\t' || to[i] == '\n' || to[i] == '\r') to[i] = ' ';
}

template <typename Number> bool numberOf(std::string_view text, Number& n) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    return error == std::errc() && end == text.data() + text.size();
}

// The file's bytes, at most kLargestCache of them, in the arena: read into room for the whole
// file at once, so they are neither copied nor moved as they grow.
std::string_view readWhole(int fd, HugeArena& arena) {
    struct stat info {};
    std::size_t room =
        ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 4096;
    room = std::min(room, kLargestCache);
    char* bytes = reinterpret_cast<char*>(arena.take(room));
    std::size_t have = 0;
    for (;;) {
        if (have == room) {
            // The file grew since: read on into a larger room, up to the bound.
            if (room >= kLargestCache) break;
            const std::size_t larger = std::min(room * 2, kLargestCache);
            char* moved = reinterpret_cast<char*>(arena.take(larger));
            std::copy(bytes, bytes + have, moved);
            bytes = moved;
            room = larger;
        }
        const ssize_t got = ::read(fd, bytes + have, room - have);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        have += static_cast<std::size_t>(got);
    }
    return {bytes, have};
}

} // namespace

LoadedFolderCache::LoadedFolderCache(const std::string& path) {
    struct FileCloser {
        int fd;
        ~FileCloser() {
            if (fd >= 0) ::close(fd);
        }
    } file{openRegularFile(path.c_str())};
    if (file.fd < 0) return;
    std::string_view rest = readWhole(file.fd, arena);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        // A last line without its end was cut by a crash: it is dropped.
        if (end == std::string_view::npos) break;
        if (end <= kLongestLine) parseLine(rest.substr(0, end));
        rest.remove_prefix(end + 1);
    }
}

void LoadedFolderCache::parseLine(std::string_view line) {
    std::array<std::string_view, kFields> fields;
    std::size_t from = 0;
    for (std::size_t f = 0; f + 1 < kFields; ++f) {
        const std::size_t tab = line.find('\t', from);
        if (tab == std::string_view::npos) return;
        fields[f] = line.substr(from, tab - from);
        from = tab + 1;
    }
    fields[kFields - 1] = line.substr(from);
    CachedSong song;
    if (!numberOf(fields[0], song.size) || !numberOf(fields[1], song.modified) ||
        (fields[2] != "0" && fields[2] != "1") || fields[8].empty())
        return;
    song.readable = fields[2] == "1";
    song.artist = fields[3];
    song.albumArtist = fields[4];
    song.album = fields[5];
    song.artistId = fields[6];
    song.albumArtistId = fields[7];
    bool added = false;
    songs.find(fields[8], added).value = song;
}

CachedSong cachedSongOf(std::uint64_t size, std::int64_t modified, bool readable, const SongTags& tags) {
    return {size,       modified,      readable,          tags.artist, tags.albumArtist,
            tags.album, tags.artistId, tags.albumArtistId};
}

bool saveFolderCache(const std::string& path, const std::vector<SavedSong>& songs) {
    std::string bytes;
    for (const auto& [file, song] : songs) {
        if (file.find_first_of("\t\n\r") != std::string_view::npos) continue;
        bytes += std::to_string(song.size) + '\t' + std::to_string(song.modified) + '\t' +
                 (song.readable ? '1' : '0') + '\t';
        for (const std::string_view field :
             {song.artist, song.albumArtist, song.album, song.artistId, song.albumArtistId}) {
            appendWithoutBreaks(bytes, field);
            bytes += '\t';
        }
        bytes.append(file);
        bytes += '\n';
    }
    return writeFileDurably(path, bytes, 0600);
}

} // namespace vx
