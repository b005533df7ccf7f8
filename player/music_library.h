#pragma once
// The tracks of a music library file, as the player plays them.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::player {

struct LibraryTrack {
    std::string name;
    std::string artist;
    std::string album;
    std::string genre;
    std::string kind;
    uint32_t totalTimeMs = 0;
    uint32_t trackNumber = 0;
    uint32_t trackCount = 0;
    uint32_t year = 0;
    uint32_t bitRate = 0;
    uint32_t sampleRate = 0;
    uint32_t sizeInBytes = 0;
};

struct MusicLibrary {
    std::string applicationVersion;   // "" when the file does not say
    std::vector<LibraryTrack> tracks; // in file order
};

// Reads the library text; whatever cannot be read is left out, nothing throws.
MusicLibrary parseMusicLibrary(std::string_view xml);

// Beyond this (about half a million tracks) a library file is not read.
constexpr std::size_t kLargestLibraryBytes = std::size_t{512} << 20;

// Reads the library file; an empty library when it cannot be opened, is not a regular file or
// is larger than kLargestLibraryBytes.
MusicLibrary loadMusicLibrary(const std::string& path);

struct LibraryReadHooks {
    // Set from another thread, it ends the reading between two tracks with an empty library.
    const std::atomic<bool>* stop = nullptr;
    // Hears the top dict's "Application Version" as soon as it is read, before the tracks.
    std::function<void(const std::string&)> onVersion;
};
MusicLibrary loadMusicLibrary(const std::string& path, const LibraryReadHooks& hooks);

} // namespace vx::player
