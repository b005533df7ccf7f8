#pragma once
// Export through the calendar store, from 10.5 on: the calendar-store bundle in the plug-in's own
// Resources is loaded at run time and driven through its four C entries, looked up by name.
#include "platform/system.h"
#include "plugin/model/plugin_data.h"

constexpr const char* kPluginBundleIdentifier = "com.Voxtrail.Voxtrail";
constexpr const char* kExportBundleName = "Voxtrail_iCalExport.bundle";
constexpr const char* kExportCalendarTitle = "Voxtrail_Concerts";

// Loads the bundle `name` from the Resources of the plug-in's bundle into *out; *out is null
// when the plug-in's bundle, that bundle or its code is missing.
void LoadPrivateFrameworkBundle(CFStringRef name, CFBundleRef* out);

// Replaces the calendar "Voxtrail_Concerts" with one holding the exported shows. Without the
// bundle or one of its entries nothing is exported (a line on standard error says why). Returns 0.
int performExportTo_iCalCalendarStore(PluginData* root, const char* webServiceHost,
                                      bool wholeListOnly = false);
