#include "plugin/library/player_libraries.h"

#include "common/regular_file.h"

#include <cstdlib>
#include <vector>

namespace vx {

FoundLibrary findPlayerLibrary(const std::string& home) {
    // The data folder a desktop names comes first; the default one stands for it otherwise.
    std::vector<std::string> dataFolders;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') dataFolders.emplace_back(xdg);
    if (!home.empty()) dataFolders.push_back(home + "/.local/share");
    for (const std::string& folder : dataFolders) {
        const std::string path = folder + "/rhythmbox/rhythmdb.xml";
        if (regularFileState(path.c_str()) == FileOpening::opened) return {path, "Rhythmbox"};
    }
    return {};
}

} // namespace vx
