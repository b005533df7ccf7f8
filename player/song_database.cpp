#include "player/song_database.h"

#include "common/read_only_database.h"
#include "common/regular_file.h"
#include "player/plist_reader.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace vx::player {

namespace {

constexpr std::size_t kStartBytes = 4096;
constexpr std::size_t kLongestLine = 64 << 10;
constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};

struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) ::close(fd);
    }
};

bool stopped(const std::atomic<bool>* stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

uint32_t clampedNumber(long long value) {
    return static_cast<uint32_t>(std::clamp<long long>(value, 0, UINT32_MAX));
}

// The text between <name> and </name> on a line that holds both; nullopt otherwise.
std::optional<std::string_view> fieldOf(std::string_view line, std::string_view name) {
    const std::size_t open = line.find('<');
    if (open == std::string_view::npos || line.substr(open + 1, name.size()) != name ||
        line.substr(open + 1 + name.size(), 1) != ">")
        return std::nullopt;
    const std::size_t from = open + name.size() + 2;
    const std::size_t close = line.rfind("</" + std::string(name) + ">");
    if (close == std::string_view::npos || close < from) return std::nullopt;
    return line.substr(from, close - from);
}

// A field's text as written: a CDATA section as it stands, anything else with its entities decoded.
std::string valueOf(std::string_view raw) {
    constexpr std::string_view open = "<![CDATA[", close = "]]>";
    if (raw.size() >= open.size() + close.size() && raw.substr(0, open.size()) == open &&
        raw.substr(raw.size() - close.size()) == close)
        return std::string(raw.substr(open.size(), raw.size() - open.size() - close.size()));
    return decodeXmlText(raw);
}

uint32_t numberOf(std::string_view text) {
    uint64_t n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        n = std::min<uint64_t>(n * 10 + static_cast<uint64_t>(c - '0'), UINT32_MAX);
    }
    return static_cast<uint32_t>(n);
}

// Rhythmbox writes an entry's fields one a line; songs are the entries of type "song".
class RhythmdbTracks {
  public:
    explicit RhythmdbTracks(MusicLibrary& library) : library(library) {}

    void line(std::string_view text) {
        if (text.find("<entry ") != std::string_view::npos) {
            inSong = text.find("type=\"song\"") != std::string_view::npos;
            track = LibraryTrack{};
            return;
        }
        if (text.find("</entry>") != std::string_view::npos) {
            if (inSong && library.tracks.size() < kMostDatabaseTracks)
                library.tracks.push_back(std::move(track));
            inSong = false;
            return;
        }
        if (!inSong) return;
        const std::size_t start = text.find_first_not_of(" \t");
        if (start == std::string_view::npos) return;
        text.remove_prefix(start);
        if (auto v = fieldOf(text, "title"))
            track.name = valueOf(*v);
        else if (auto v = fieldOf(text, "artist"))
            track.artist = valueOf(*v);
        else if (auto v = fieldOf(text, "album"))
            track.album = valueOf(*v);
        else if (auto v = fieldOf(text, "genre"))
            track.genre = valueOf(*v);
        else if (auto v = fieldOf(text, "duration"))
            track.totalTimeMs = static_cast<uint32_t>(std::min<uint64_t>(numberOf(*v) * 1000ull, UINT32_MAX));
        else if (auto v = fieldOf(text, "track-number"))
            track.trackNumber = numberOf(*v);
        else if (auto v = fieldOf(text, "bitrate"))
            track.bitRate = numberOf(*v);
        else if (auto v = fieldOf(text, "file-size"))
            track.sizeInBytes = numberOf(*v);
    }

  private:
    MusicLibrary& library;
    LibraryTrack track;
    bool inSong = false;
};

MusicLibrary readRhythmdb(int fd, const std::atomic<bool>* stop) {
    MusicLibrary library;
    RhythmdbTracks tracks(library);
    std::string pending;
    char block[64 << 10];
    while (!stopped(stop)) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        std::string_view bytes(block, static_cast<std::size_t>(got));
        for (std::size_t nl; (nl = bytes.find('\n')) != std::string_view::npos;) {
            if (pending.empty()) {
                tracks.line(bytes.substr(0, nl));
            } else {
                pending.append(bytes.substr(0, std::min(nl, kLongestLine)));
                tracks.line(pending);
                pending.clear();
            }
            bytes.remove_prefix(nl + 1);
        }
        // A line longer than any field of a song keeps only its start.
        if (pending.size() < kLongestLine) pending.append(bytes.substr(0, kLongestLine - pending.size()));
    }
    tracks.line(pending);
    return library;
}

// A column of the table as a select expression, or fallback where the table lacks it.
std::string columnOr(const std::unordered_set<std::string>& columns, const char* name, const char* fallback) {
    return columns.count(name) ? std::string("\"") + name + "\"" : fallback;
}

MusicLibrary readDatabase(const std::string& path, const std::atomic<bool>* stop) {
    MusicLibrary library;
    ReadOnlyDatabase database;
    if (!database.open(path, nullptr)) return library;
    database.stopWhen([stop] { return stopped(stop); });
    const bool songs = database.hasTable("songs");
    if (!songs && !database.hasTable("items")) return library;
    const char* table = songs ? "songs" : "items";
    const std::unordered_set<std::string> columns = database.columnsOf(table);
    // Strawberry and Clementine give a length in nanoseconds, beets in seconds.
    const std::string length = songs ? columnOr(columns, "length", "0") + " / 1000000"
                                     : "CAST(" + columnOr(columns, "length", "0") + " * 1000 AS INTEGER)";
    std::string sql = "SELECT " + columnOr(columns, "title", "''") + ", " +
                      columnOr(columns, "artist", "''") + ", " + columnOr(columns, "album", "''") + ", " +
                      columnOr(columns, "genre", "''") + ", " + length + ", " +
                      columnOr(columns, "track", "0") + ", " + columnOr(columns, "year", "0") + ", " +
                      columnOr(columns, "bitrate", "0") + ", " + columnOr(columns, "samplerate", "0") + ", " +
                      columnOr(columns, "filesize", "0") + " FROM " + table;
    if (songs && columns.count("unavailable")) sql += " WHERE coalesce(unavailable, 0) = 0";
    DatabaseQuery rows(database, sql);
    while (library.tracks.size() < kMostDatabaseTracks && rows.next()) {
        LibraryTrack track;
        track.name = rows.text(0);
        track.artist = rows.text(1);
        track.album = rows.text(2);
        track.genre = rows.text(3);
        track.totalTimeMs = clampedNumber(rows.number(4));
        track.trackNumber = clampedNumber(rows.number(5));
        track.year = clampedNumber(rows.number(6));
        track.bitRate = clampedNumber(rows.number(7));
        track.sampleRate = clampedNumber(rows.number(8));
        track.sizeInBytes = clampedNumber(rows.number(9));
        library.tracks.push_back(std::move(track));
    }
    return library;
}

} // namespace

std::optional<MusicLibrary> loadSongDatabase(const std::string& path, const std::atomic<bool>* stop) {
    const FileCloser file{vx::openRegularFile(path.c_str())};
    if (file.fd < 0) return std::nullopt;
    std::string start(kStartBytes, '\0');
    const ssize_t got = ::pread(file.fd, start.data(), start.size(), 0);
    start.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    if (start.compare(0, kSqliteHeader.size(), kSqliteHeader) == 0) return readDatabase(path, stop);
    const std::size_t rhythmdb = start.find("<rhythmdb");
    if (rhythmdb == std::string::npos || rhythmdb > start.find("<plist")) return std::nullopt;
    return readRhythmdb(file.fd, stop);
}

} // namespace vx::player
