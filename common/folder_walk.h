#pragma once
// The audio files under a music folder, found without ever opening anything but folders: a FIFO
// or a device among them is only looked at, a symbolic link back up the tree is seen once.
#include <cstdint>
#include <functional>
#include <string>

namespace vx {

struct AudioFile {
    std::string path;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds since the epoch
};

// What the walk passed over, each counted once.
struct FolderSkips {
    std::uint32_t loops = 0;      // a folder reached again through a symbolic link
    std::uint32_t unreadable = 0; // a folder or file that could not be looked at
    std::uint32_t notFiles = 0;   // a FIFO, socket or device with an audio file's name
    std::uint32_t empty = 0;      // 0 bytes
    std::uint32_t badNames = 0;   // a name that is not UTF-8
    std::uint32_t total() const { return loops + unreadable + notFiles + empty + badNames; }
};

// True for the names of files whose tags are read (.mp3, .flac, .ogg, .m4a and the like).
bool hasAudioName(const std::string& name);
bool isUtf8(const std::string& text);

// Calls found for every audio file under folder, folders in name order; stop ends the walk.
void walkMusicFolder(const std::string& folder, const std::function<void(const AudioFile&)>& found,
                     const std::function<bool()>& stop, FolderSkips& skips);

// True once an audio file is found under folder (the walk stops there).
bool holdsAudioFile(const std::string& folder);

} // namespace vx
