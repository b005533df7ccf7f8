// The bundle's library is voxtrail_core with only the host entry exported; the entry lives in
// plugin_entry.cpp so that tests link it too.
#include "platform/visual_plugin_api.h"

extern "C" OSStatus iTunesPluginMainMachO(OSType message, PluginMessageInfo* messageInfo, void* refCon);

// Keeps the entry's object in the bundle although nothing in the bundle calls it.
[[maybe_unused]] __attribute__((used)) static PluginMainProcPtr const keepEntry = iTunesPluginMainMachO;
