#pragma once
// What the last export wrote, as a stamp in the support folder ("VoxtrailExported"). An export
// removes the stamp before it writes and puts the new one after it wrote everything, so a start
// after a kill at any moment can tell whether the exports still hold the chosen shows.
#include "plugin/export/exported_shows.h"

#include <string>
#include <string_view>

namespace vx {

inline constexpr const char* kExportStampFile = "VoxtrailExported";

// The stamp of an export of shows to target (the store's calendar, or the file's path), through
// the service host that the events' links name.
std::string exportStamp(const ExportedShows& shows, std::string_view target, std::string_view webServiceHost);
std::string storeExportTarget();
std::string fileExportTarget(const char* location);

void forgetExportStamp(PluginData* root);
void keepExportStamp(PluginData* root, const std::string& stamp);

// Whether the stamp says the export of this system (store or file) holds root's exported shows
// as they are now; false also when no export was completed since the last one began.
bool exportsUpToDate(PluginData* root, const char* webServiceHost);

} // namespace vx
