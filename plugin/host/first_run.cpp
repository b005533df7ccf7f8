#include "plugin/host/host_handler.h"

#include "common/regular_file.h"
#include "platform/system.h"

#include <cstdio>
#include <unistd.h>

bool emptyFileExists(const char* path) {
    // Only a regular file: opening a FIFO left in its place would wait for a writer.
    const int fd = vx::openRegularFile(path);
    if (fd < 0) return false;
    ::close(fd);
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
