#include "player/music_library.h"

#include "player/plist_reader.h"

#include <charconv>
#include <fstream>

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

} // namespace

MusicLibrary parseMusicLibrary(std::string_view xml) {
    MusicLibrary lib;
    // Tracks are taken one by one as they are read, and playlists dropped as they are read: a
    // whole document of a large library kept as values would cost several times the file.
    bool tracksRead = false; // the first "Tracks" entry of the top dict is the one that counts
    const PlistEntrySink sink = [&](const std::vector<std::string>& path, const std::string& key,
                                    std::unique_ptr<PlistValue>& value) {
        if (path.empty()) {
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
    std::unique_ptr<PlistValue> top = parsePlist(xml, sink);
    if (!top || top->kind != PlistValue::Kind::Dict) return MusicLibrary{};
    lib.applicationVersion = top->textOf("Application Version");
    return lib;
}

MusicLibrary loadMusicLibrary(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    // One buffer of the file's size: no stream copy of a large file on top of it.
    const std::streamoff size = in.tellg();
    std::string text(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    in.seekg(0);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return parseMusicLibrary(text);
}

} // namespace vx::player
