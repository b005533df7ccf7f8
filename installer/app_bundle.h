#pragma once
// The installer's own application bundle: Voxtrail_Installer.app/Contents/{Info.plist,MacOS,Resources}.
#include <string>

namespace vx::installer {

struct AppBundle {
    std::string contents;  // .../Voxtrail_Installer.app/Contents
    std::string resources; // contents/Resources
    std::string infoPlist; // contents/Info.plist
};

// The bundle around an executable in Contents/MacOS.
AppBundle appBundleOf(const std::string& executablePath);
// The bundle of the running program.
AppBundle ownAppBundle();

// The string value of key in an Info.plist of string values, or "" when it is not there.
std::string infoValue(const std::string& plistPath, const std::string& key);

} // namespace vx::installer
