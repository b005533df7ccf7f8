#include "plugin/library/folder_cache.h"

#include "common/durable_files.h"
#include "common/regular_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>
#include <sys/stat.h>

namespace vx {

namespace {

// One line a file: size, modification time, readable, artist, album artist, album, artist id,
// album artist id, path; fields split by tabs, which no kept field holds.
constexpr std::size_t kFields = 9;
constexpr std::size_t kLongestLine = 16 << 10;
constexpr std::size_t kLargestCache = std::size_t{256} << 20;

std::string withoutBreaks(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

template <typename Number> bool numberOf(std::string_view text, Number& n) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    return error == std::errc() && end == text.data() + text.size();
}

void parseLine(std::string_view line, FolderCache& cache) {
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
    song.tags = {std::string(fields[3]), std::string(fields[4]), std::string(fields[5]),
                 std::string(fields[6]), std::string(fields[7])};
    cache.insert_or_assign(std::string(fields[8]), std::move(song));
}

} // namespace

FolderCache loadFolderCache(const std::string& path) {
    FolderCache cache;
    const int fd = openRegularFile(path.c_str());
    if (fd < 0) return cache;
    // Read into room for the whole file at once, so the bytes are neither copied nor moved
    // as they grow; a file that grows meanwhile is read on to its end all the same.
    struct stat info {};
    const std::size_t expected =
        ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    std::string bytes(std::min(expected + 1, kLargestCache), '\0');
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (bytes.size() >= kLargestCache) break;
            bytes.resize(std::min(bytes.size() * 2, kLargestCache));
        }
        const ssize_t got = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        have += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(have);
    cache.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')));
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        // A last line without its end was cut by a crash: it is dropped.
        if (end == std::string_view::npos) break;
        if (end <= kLongestLine) parseLine(rest.substr(0, end), cache);
        rest.remove_prefix(end + 1);
    }
    return cache;
}

bool saveFolderCache(const std::string& path, const FolderCache& cache) {
    std::string bytes;
    for (const auto& [file, song] : cache) {
        if (file.find_first_of("\t\n\r") != std::string::npos) continue;
        const SongTags& t = song.tags;
        bytes += std::to_string(song.size) + '\t' + std::to_string(song.modified) + '\t' +
                 (song.readable ? '1' : '0') + '\t' + withoutBreaks(t.artist) + '\t' +
                 withoutBreaks(t.albumArtist) + '\t' + withoutBreaks(t.album) + '\t' +
                 withoutBreaks(t.artistId) + '\t' + withoutBreaks(t.albumArtistId) + '\t' + file + '\n';
    }
    return writeFileDurably(path, bytes, 0600);
}

} // namespace vx
