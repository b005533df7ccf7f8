#include "installer/install_paths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace vx::installer {

InstallPaths installPathsFor(const std::string& home) {
    InstallPaths p;
    p.pluginFolder = home + "/Library/iTunes/iTunes Plug-ins";
    p.pluginPath = p.pluginFolder + "/Voxtrail.bundle";
    p.dataFolder = home + "/Library/Application Support/Voxtrail";
    p.firstRunMarker = p.dataFolder + "/FirstRun";
    p.calendarStore = home + "/Library/Calendars/Voxtrail Store";
    p.tenFourCalendar = home + "/Library/Application Support/iCal/Sources/Voxtrail.calendar";
    p.tenThreeCalendar = home + "/Library/Calendars/Voxtrail.ics";
    return p;
}

std::string homeFolder() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

} // namespace vx::installer
