#include "player/offscreen_screen.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace vx::player {

bool OffscreenScreen::configure(int width, int height) {
    release();
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/vxplayer-screen-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) return false;
    // No frame margins: a window's position is its content's, as on the desktop it stands for.
    char json[256];
    const int n =
        std::snprintf(json, sizeof json,
                      "{\"windowFrameMargins\": false, \"screens\": [{\"name\": \"Primary\", \"x\": 0, "
                      "\"y\": 0, \"width\": %d, \"height\": %d, \"logicalDpi\": 96, \"dpr\": 1}]}",
                      width, height);
    const bool written = n > 0 && ::write(fd, json, static_cast<size_t>(n)) == n;
    ::close(fd);
    path_ = path;
    if (!written) {
        release();
        return false;
    }
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path_).c_str(), 1);
    return true;
}

void OffscreenScreen::release() {
    if (path_.empty()) return;
    ::unlink(path_.c_str());
    // Programs the player starts must not look for the file.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    path_.clear();
}

} // namespace vx::player
