#include "installer/command_line.h"

#include "installer/install_steps.h"
#include "installer/scripts.h"
#include "installer/sharing_end.h"
#include "installer/sheet_texts.h"

#include <cstdio>

namespace vx::installer {

namespace {

int report(const Sheet& sheet, int status) {
    std::printf("%s\n", sheet.title.c_str());
    if (!sheet.message.empty()) std::printf("%s\n", sheet.message.c_str());
    return status;
}

} // namespace

int installFromCommandLine(const AppBundle& app, const InstallPaths& paths) {
    if (playerIsRunning(app.resources)) return report(closePlayerSheet(), 1);
    writeFirstRunMarker(paths.firstRunMarker);
    if (!placeBundle(app.resources + "/Voxtrail.bundle", paths)) return report(installFailedSheet(), 1);
    return report(installedSheet(infoValue(app.infoPlist, "CFBundleVersion"), false), 0);
}

int uninstallFromCommandLine(const AppBundle& app, const InstallPaths& paths) {
    if (playerIsRunning(app.resources)) return report(closePlayerBeforeUninstallSheet(), 1);
    const std::string version = infoValue(app.infoPlist, "CFBundleVersion");
    std::string sharingNote;
    const auto endSharing = [&] { sharingNote = endSharingBeforeRemoval(paths.dataFolder); };
    switch (removeInstallation(paths, endSharing)) {
    case UninstallResult::AlreadyUninstalled:
        return report(alreadyUninstalledSheet(), 0);
    case UninstallResult::Removed:
        return report(uninstalledSheet(version, sharingNote), 0);
    case UninstallResult::Failed:
        break;
    }
    return report(uninstallFailedSheet(), 1);
}

} // namespace vx::installer
