#pragma once
// The installer's work on the file system: placing the plug-in bundle, the first-run marker,
// and removing both again. Errors are not examined one by one: the result says whether the
// wanted state was reached.
#include "installer/install_paths.h"

#include <functional>
#include <string>

namespace vx::installer {

// Something (file, folder or link, even a dangling one) is at path.
bool existsAt(const std::string& path);

// Writes the empty text in UTF-16 (its byte-order mark alone) to the marker, on the disk before it
// is renamed into place, making no folders: without the data folder there is no marker, and that
// is not an error.
void writeFirstRunMarker(const std::string& markerPath);

// Copies bundleSource into a hidden folder beside the plug-in path, flushes it to the disk and
// exchanges it with the older bundle in one step, so the plug-in path always holds a whole bundle.
// The plug-in folder is made when missing. A bundle that a killed install left aside is put back
// first, and the hidden folders of killed runs are removed. On any failure the plug-in path is left
// as it was and no copy is left behind. True when the new bundle is in place.
bool placeBundle(const std::string& bundleSource, const InstallPaths& paths);

enum class UninstallResult { AlreadyUninstalled, Removed, Failed };

// Removes the bundle and, only once it is gone, the exported calendars and the data folder;
// beforeDataRemoval runs between the two, while the data folder is still whole.
UninstallResult removeInstallation(const InstallPaths& paths,
                                   const std::function<void()>& beforeDataRemoval = {});

// Removes what the plug-in's exports wrote into the calendars (a user's own files there stay),
// and the calendars' folders once empty.
void removeExportedCalendars(const InstallPaths& paths);

} // namespace vx::installer
