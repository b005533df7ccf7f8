#pragma once
// Where the music players of a Linux desktop keep their libraries, for a first start that finds
// no library at the usual path.
#include <string>

namespace vx {

struct FoundLibrary {
    std::string path; // "" when none was found
    std::string player;
};

// The first library file found in the players' usual places under home (and $XDG_DATA_HOME,
// when that names an absolute folder).
FoundLibrary findPlayerLibrary(const std::string& home);

} // namespace vx
