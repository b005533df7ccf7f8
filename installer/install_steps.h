#pragma once
// The installer's work on the file system: placing the plug-in bundle, the first-run marker,
// and removing both again. Errors are not examined one by one: the result says whether the
// wanted state was reached.
#include "installer/install_paths.h"

#include <string>

namespace vx::installer {

// Something (file, folder or link, even a dangling one) is at path.
bool existsAt(const std::string& path);

// Writes the empty text in UTF-16 (its byte-order mark alone) to the marker, making no folders:
// without the data folder there is no marker, and that is not an error.
void writeFirstRunMarker(const std::string& markerPath);

// Copies bundleSource into a hidden folder beside the plug-in path and renames it into place,
// replacing an older bundle whole. The plug-in folder is made when missing. On any failure the
// plug-in path is left as it was and no copy is left behind. True when the new bundle is in place.
bool placeBundle(const std::string& bundleSource, const InstallPaths& paths);

enum class UninstallResult { AlreadyUninstalled, Removed, Failed };

// Removes the bundle and the data folder, whichever exist.
UninstallResult removeInstallation(const InstallPaths& paths);

} // namespace vx::installer
