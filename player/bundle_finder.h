#pragma once
// Finds the visual plug-in bundles in the user's plug-in folder, then in the system's.
#include <string>
#include <vector>

namespace vx::player {

struct BundleInfo {
    std::string path;       // ".../X.bundle"
    std::string folderName; // "X.bundle"
    std::string executable; // ".../X.bundle/Contents/MacOS/X"
    std::string name;       // CFBundleName, else "X"
    std::string identifier; // CFBundleIdentifier, else ""
    std::string version;    // CFBundleShortVersionString, else "unknown"
};

// "$HOME/Library/iTunes/iTunes Plug-ins".
std::string pluginFolder(const std::string& home);

// "<programFolder>/../lib/voxtrail/plug-ins": where the package puts the bundles it ships, found
// from the program's own folder so that a build tree never picks up an installed package's bundle.
std::string systemPluginFolder(const std::string& programFolder);

// Every entry named "*.bundle" in folder, sorted by name; a missing folder gives none. The
// executable is Contents/MacOS/ + CFBundleExecutable (else the bundle's base name), whether
// or not it exists: loading reports what is missing.
std::vector<BundleInfo> findBundles(const std::string& folder);

// The bundles of each folder in turn. One whose folder name or identifier an earlier folder
// already holds goes to passedOver instead, so a user's own install wins over the system's.
std::vector<BundleInfo> findBundles(const std::vector<std::string>& folders,
                                    std::vector<BundleInfo>* passedOver);

// The bundle's name and version from its Info.plist (fallbacks when the file is unreadable).
BundleInfo describeBundle(const std::string& bundlePath);

} // namespace vx::player
