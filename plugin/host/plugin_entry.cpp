#include "platform/visual_plugin_api.h"

extern "C" __attribute__((visibility("default"))) OSStatus iTunesPluginMainMachO(OSType, PluginMessageInfo*,
                                                                                  void*) {
    return unimpErr;
}
