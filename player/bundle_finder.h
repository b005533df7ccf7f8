#pragma once
// Finds the visual plug-in bundles in the user's plug-in folder.
#include <string>
#include <vector>

namespace vx::player {

struct BundleInfo {
    std::string path;       // ".../X.bundle"
    std::string folderName; // "X.bundle"
    std::string executable; // ".../X.bundle/Contents/MacOS/X"
    std::string name;       // CFBundleName, else "X"
    std::string version;    // CFBundleShortVersionString, else "unknown"
};

// "$HOME/Library/iTunes/iTunes Plug-ins".
std::string pluginFolder(const std::string& home);

// Every entry named "*.bundle" in folder, sorted by name; a missing folder gives none. The
// executable is Contents/MacOS/ + CFBundleExecutable (else the bundle's base name), whether
// or not it exists: loading reports what is missing.
std::vector<BundleInfo> findBundles(const std::string& folder);

// The bundle's name and version from its Info.plist (fallbacks when the file is unreadable).
BundleInfo describeBundle(const std::string& bundlePath);

} // namespace vx::player
