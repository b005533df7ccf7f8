#pragma once
// Where the music players of a Linux desktop keep their libraries, for a first start that finds
// no library at the usual path.
#include "common/linux_library_places.h"

#include <string>

namespace vx {

// The first library file found in the players' places; else the user's music folder
// ($XDG_MUSIC_DIR or ~/Music) when it holds an audio file, as the player "music".
FoundLibrary findPlayerLibrary(const std::string& home);

} // namespace vx
