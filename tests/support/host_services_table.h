#pragma once
// A host-services table as a current host hands it over, with no service set; each test fills
// in the services it watches.
#include "platform/visual_plugin_api.h"

inline VxHostServices currentHostServices() {
    VxHostServices t{};
    t.size = sizeof t;
    t.version = kVxHostServicesVersion;
    return t;
}
