#include "common/player_libraries.h"

#include "common/folder_walk.h"

#include <cstdlib>

namespace vx {

FoundLibrary findPlayerLibrary(const std::string& home) {
    if (FoundLibrary found = findLinuxLibrary(home); !found.path.empty()) return found;
    const std::string music = xdgFolder("XDG_MUSIC_DIR", home, "Music");
    if (!music.empty() && holdsAudioFile(music)) return {music, "music"};
    return {};
}

} // namespace vx
