#pragma once
// A plain folder of tagged audio files as the player plays it: every audio file under it, with
// its tags and length read by TagLib.
#include "player/music_library.h"

#include <atomic>
#include <optional>
#include <string>

namespace vx::player {

// The folder's tracks, in the walk's order (folders and files by name); nullopt when path is no
// folder. Files TagLib cannot read are left out. stop, when set, ends the reading between files.
std::optional<MusicLibrary> loadMusicFolder(const std::string& path, const std::atomic<bool>* stop);

} // namespace vx::player
