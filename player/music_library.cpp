#include "player/music_library.h"

#include "player/plist_reader.h"

#include <charconv>
#include <fstream>
#include <sstream>

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
    std::unique_ptr<PlistValue> top = parsePlist(xml);
    if (!top || top->kind != PlistValue::Kind::Dict) return lib;
    lib.applicationVersion = top->textOf("Application Version");
    const PlistValue* tracks = top->find("Tracks");
    if (!tracks || tracks->kind != PlistValue::Kind::Dict) return lib;
    for (const auto& [id, value] : tracks->entries) {
        if (value && value->kind == PlistValue::Kind::Dict) lib.tracks.push_back(trackFrom(*value));
    }
    return lib;
}

MusicLibrary loadMusicLibrary(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return parseMusicLibrary(text.str());
}

} // namespace vx::player
