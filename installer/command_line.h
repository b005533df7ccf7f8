#pragma once
// Install and uninstall without a window, for packagers: the same steps as the buttons, the
// sheet's title (and message) on standard output, exit status 0 on success.
#include "installer/app_bundle.h"
#include "installer/install_paths.h"

namespace vx::installer {

int installFromCommandLine(const AppBundle& app, const InstallPaths& paths);
int uninstallFromCommandLine(const AppBundle& app, const InstallPaths& paths);

} // namespace vx::installer
