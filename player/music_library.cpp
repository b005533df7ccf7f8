#include "player/music_library.h"

#include "common/regular_file.h"
#include "player/music_folder.h"
#include "player/plist_reader.h"
#include "player/song_database.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx::player {

namespace {

// A non-negative integer that fits in 32 bits, else 0.
uint32_t toUInt32(const std::string& text) {
    uint32_t v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return (ec == std::errc() && end == text.data() + text.size()) ? v : 0;
}

LibraryTrack trackFrom(const PlistValue& d) {
    LibraryTrack t;
    t.name = d.textOf("Name");
    t.artist = d.textOf("Artist");
    t.album = d.textOf("Album");
    t.genre = d.textOf("Genre");
    t.kind = d.textOf("Kind");
    t.totalTimeMs = toUInt32(d.textOf("Total Time"));
    t.trackNumber = toUInt32(d.textOf("Track Number"));
    t.trackCount = toUInt32(d.textOf("Track Count"));
    t.year = toUInt32(d.textOf("Year"));
    t.bitRate = toUInt32(d.textOf("Bit Rate"));
    t.sampleRate = toUInt32(d.textOf("Sample Rate"));
    t.sizeInBytes = toUInt32(d.textOf("Size"));
    return t;
}

// Thrown from the entry sink to leave the reader when a stop was asked.
struct ReadingStopped {};

// parse(sink) reads the document, handing each entry to sink.
template <typename Parse> MusicLibrary parseWithHooks(const Parse& parse, const LibraryReadHooks& hooks) {
    MusicLibrary lib;
    bool versionHeard = false;
    // Tracks are taken one by one as they are read, and playlists dropped as they are read: a
    // whole document of a large library kept as values would cost several times the file.
    bool tracksRead = false; // the first "Tracks" entry of the top dict is the one that counts
    const PlistEntrySink sink = [&](const std::vector<std::string>& path, const std::string& key,
                                    std::unique_ptr<PlistValue>& value) {
        if (hooks.stop && hooks.stop->load(std::memory_order_relaxed)) throw ReadingStopped{};
        if (path.empty()) {
            if (key == "Application Version" && !versionHeard && hooks.onVersion) {
                versionHeard = true; // the first one counts, as in the finished library
                hooks.onVersion(value->kind == PlistValue::Kind::Scalar ? value->text : std::string());
            }
            if (key == "Tracks") tracksRead = true;
            return key == "Playlists";
        }
        if (path.size() == 1 && path[0] == "Tracks" && !tracksRead) {
            if (value->kind == PlistValue::Kind::Dict) lib.tracks.push_back(trackFrom(*value));
            return true;
        }
        // A later "Tracks" dict is read past; a track's own keys stay in its dict until it is taken.
        return path[0] == "Playlists" || (path.size() == 1 && path[0] == "Tracks");
    };
    std::unique_ptr<PlistValue> top = parse(sink);
    if (!top || top->kind != PlistValue::Kind::Dict) return MusicLibrary{};
    lib.applicationVersion = top->textOf("Application Version");
    return lib;
}

} // namespace

MusicLibrary parseMusicLibrary(std::string_view xml) {
    return parseWithHooks([xml](const PlistEntrySink& sink) { return parsePlist(xml, sink); },
                          LibraryReadHooks{});
}

MusicLibrary loadMusicLibrary(const std::string& path) {
    return loadMusicLibrary(path, LibraryReadHooks{});
}

MusicLibrary loadMusicLibrary(const std::string& path, const LibraryReadHooks& hooks) {
    if (std::optional<MusicLibrary> folder = loadMusicFolder(path, hooks.stop)) {
        if (hooks.stop && hooks.stop->load()) return {};
        return std::move(*folder);
    }
    if (std::optional<MusicLibrary> songs = loadSongDatabase(path, hooks.stop)) {
        if (hooks.stop && hooks.stop->load()) return {};
        return std::move(*songs);
    }
    // A FIFO would hold the open, and the quit waiting on this thread, until some writer came.
    const int fd = vx::openRegularFile(path.c_str());
    if (fd < 0) return {};
    struct stat info {};
    const std::size_t size =
        ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    if (size > kLargestLibraryBytes) {
        ::close(fd);
        return {};
    }
    // Read a block at a time as the parser asks: a library's text is never held whole, and the
    // version near its top is heard as soon as it is read.
    std::size_t left = size;
    const PlistBlockReader read = [&](char* into, std::size_t room) -> std::size_t {
        for (;;) {
            if (left == 0 || (hooks.stop && hooks.stop->load(std::memory_order_relaxed))) return 0;
            const ssize_t n = ::read(fd, into, std::min(room, left));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return 0;
            left -= static_cast<std::size_t>(n);
            return static_cast<std::size_t>(n);
        }
    };
    MusicLibrary library;
    try {
        library =
            parseWithHooks([&read](const PlistEntrySink& sink) { return parsePlist(read, sink); }, hooks);
    } catch (const ReadingStopped&) {
    }
    ::close(fd);
    if (hooks.stop && hooks.stop->load()) return {};
    return library;
}

} // namespace vx::player
