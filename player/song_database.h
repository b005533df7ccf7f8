#pragma once
// The libraries of Linux music players, as the player plays them: Rhythmbox's song database
// (rhythmdb.xml) and the SQLite libraries of Strawberry, Clementine (a songs table) and beets
// (an items table). Told by content, as the plug-in tells them.
#include "player/music_library.h"

#include <atomic>
#include <optional>
#include <string>

namespace vx::player {

// At most this many tracks are kept of a database (what the largest XML library read holds).
constexpr std::size_t kMostDatabaseTracks = 500000;

// The library's tracks when path holds one of these kinds; nullopt for any other file, which is
// then read as the music player's XML library. stop, when set, ends the reading between tracks.
std::optional<MusicLibrary> loadSongDatabase(const std::string& path, const std::atomic<bool>* stop);

} // namespace vx::player
