#include "plugin/host/host_handler.h"

#include "platform/system.h"

#include <cstdio>
#include <unistd.h>

bool emptyFileExists(const char* path) {
    if (!path) return false;
    std::FILE* f = std::fopen(path, "r");
    if (!f) return false;
    std::fclose(f);
    return true;
}

std::string firstRunMarkerPath() {
    std::string path = vx::homeFolder() + "/Library/Application Support/Voxtrail/FirstRun";
    if (path.size() > 1023) path.resize(1023);
    return path;
}

bool consumeFirstRunMarker() {
    const std::string path = firstRunMarkerPath();
    if (!emptyFileExists(path.c_str())) return false;
    ::unlink(path.c_str());
    return true;
}
