#pragma once
// Where the music players of a Linux desktop keep their libraries, in the order a first start
// tries them: the plug-in takes the first it finds, and so does the player.
#include "common/regular_file.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace vx {

struct FoundLibrary {
    std::string path; // "" when none was found
    std::string player;
};

// The folder an XDG variable names when it is absolute, else home's default for it.
inline std::string xdgFolder(const char* variable, const std::string& home, const char* fallback) {
    if (const char* named = std::getenv(variable); named && named[0] == '/') return named;
    if (home.empty()) return {};
    return home + "/" + fallback;
}

// Rhythmbox, Strawberry, Clementine, beets: each under $XDG_DATA_HOME or $XDG_CONFIG_HOME when
// those name absolute folders ($BEETSDIR for beets), else under home.
inline std::vector<FoundLibrary> linuxLibraryPlaces(const std::string& home) {
    std::vector<FoundLibrary> places;
    auto add = [&](const std::string& folder, const char* file, const char* player) {
        if (!folder.empty()) places.push_back({folder + file, player});
    };
    const std::string data = xdgFolder("XDG_DATA_HOME", home, ".local/share");
    const std::string config = xdgFolder("XDG_CONFIG_HOME", home, ".config");
    add(data, "/rhythmbox/rhythmdb.xml", "Rhythmbox");
    add(data, "/strawberry/strawberry/strawberry.db", "Strawberry");
    add(config, "/Clementine/clementine.db", "Clementine");
    // beets keeps its library beside its configuration, which BEETSDIR moves.
    if (const char* beets = std::getenv("BEETSDIR"); beets && beets[0] == '/')
        add(beets, "/library.db", "beets");
    add(config, "/beets/library.db", "beets");
    return places;
}

// The first library file found in those places.
inline FoundLibrary findLinuxLibrary(const std::string& home) {
    for (const FoundLibrary& place : linuxLibraryPlaces(home))
        if (regularFileState(place.path.c_str()) == FileOpening::opened) return place;
    return {};
}

} // namespace vx
