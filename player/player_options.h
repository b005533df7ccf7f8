#pragma once
// The player's command line.
#include "player/host_version.h"

#include <optional>
#include <string>
#include <vector>

namespace vx::player {

struct PlayerOptions {
    bool headless = false;
    bool help = false;
    std::string scriptPath;                   // "" reads the script from stdin (headless)
    std::string libraryPath;                  // "" uses the default library file
    std::optional<DottedVersion> hostVersion; // else the library's, else 9.1
    DottedVersion osVersion{10, 6, 0};
    std::string visualizerName;
    // The primary screen when headless.
    int screenWidth = 1440;
    int screenHeight = 900;
};

// Nothing, with the reason in error, for an unknown option or a bad value.
std::optional<PlayerOptions> parseOptions(const std::vector<std::string>& args, std::string& error);

const char* usageText();

// "$HOME/Music/iTunes/iTunes Music Library.xml".
std::string defaultLibraryPath(const std::string& home);

// The version the player reports: the option's, else the library's "Application Version", else 9.1.
DottedVersion effectiveHostVersion(const PlayerOptions& options, const std::string& libraryVersion);

} // namespace vx::player
