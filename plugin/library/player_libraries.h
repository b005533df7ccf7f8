#pragma once
// Where the music players of a Linux desktop keep their libraries, for a first start that finds
// no library at the usual path.
#include "common/linux_library_places.h"

namespace vx {

inline FoundLibrary findPlayerLibrary(const std::string& home) {
    return findLinuxLibrary(home);
}

} // namespace vx
