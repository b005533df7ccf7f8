#pragma once
// Before the data folder goes, the web service is asked to end the installation's sharing: the
// installation's UUID, kept only in that folder, is what owns its shared shows and feed addresses.
#include <chrono>
#include <string>

namespace vx::installer {

// The installation's UUID from the data folder's "vxt" file, or "" when there is none.
std::string installationUuid(const std::string& dataFolder);

// The web service host (with ":port") from the first line of the data folder's
// "VoxtrailServices", or "127.0.0.1:8460", as the plug-in finds it.
std::string webServiceHost(const std::string& dataFolder);

// Sends "/sharing/sharing.php?TODO=REMOVE_INSTALLATION&UUID=…" to host; true when the service
// answered 200 without an error. Gives up after budget, connecting included.
bool requestSharingEnd(const std::string& host, const std::string& uuid, std::chrono::milliseconds budget);

// What uninstall tells of it: "" when the service ended the sharing or there was nothing to end.
std::string endSharingBeforeRemoval(const std::string& dataFolder);

} // namespace vx::installer
