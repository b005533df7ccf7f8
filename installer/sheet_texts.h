#pragma once
// Every text the installer shows: the window's, and each sheet's title and message.
#include <string>

namespace vx::installer {

// Where users report a failed install or uninstall.
inline constexpr const char* kSupportAddress = "support@voxtrail.example";

struct Sheet {
    std::string title;
    std::string message;
    // Only the install success sheet carries a context: its end quits or starts the player.
    bool endsInstall = false;
};

std::string windowTitle(const std::string& version);
std::string welcomeText(const std::string& version);
std::string pleaseWaitText();

Sheet closePlayerSheet();
Sheet closePlayerBeforeUninstallSheet();
Sheet installedSheet(const std::string& version, bool startChecked);
Sheet installFailedSheet();
Sheet alreadyUninstalledSheet();
// note: what is worth telling beside the success, such as shared shows the service kept.
Sheet uninstalledSheet(const std::string& version, const std::string& note = "");
Sheet uninstallFailedSheet();

} // namespace vx::installer
