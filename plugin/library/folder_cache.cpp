#include "plugin/library/folder_cache.h"

#include "common/durable_files.h"
#include "common/regular_file.h"

#include <charconv>
#include <string_view>
#include <vector>

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
    std::vector<std::string_view> fields;
    for (std::size_t from = 0; fields.size() + 1 < kFields;) {
        const std::size_t tab = line.find('\t', from);
        if (tab == std::string_view::npos) return;
        fields.push_back(line.substr(from, tab - from));
        from = tab + 1;
        if (fields.size() + 1 == kFields) fields.push_back(line.substr(from));
    }
    CachedSong song;
    if (!numberOf(fields[0], song.size) || !numberOf(fields[1], song.modified) ||
        (fields[2] != "0" && fields[2] != "1") || fields[8].empty())
        return;
    song.readable = fields[2] == "1";
    song.tags = {std::string(fields[3]), std::string(fields[4]), std::string(fields[5]),
                 std::string(fields[6]), std::string(fields[7])};
    cache[std::string(fields[8])] = std::move(song);
}

} // namespace

FolderCache loadFolderCache(const std::string& path) {
    FolderCache cache;
    const int fd = openRegularFile(path.c_str());
    if (fd < 0) return cache;
    std::string bytes;
    char block[64 << 10];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || bytes.size() + static_cast<std::size_t>(got) > kLargestCache) break;
        bytes.append(block, static_cast<std::size_t>(got));
    }
    ::close(fd);
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
