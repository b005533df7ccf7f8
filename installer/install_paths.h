#pragma once
// Where the installer puts things, all under the user's home folder. The plug-in and the player
// look in the same places; nothing else is shared with them.
#include <string>

namespace vx::installer {

struct InstallPaths {
    std::string pluginFolder;   // home/Library/iTunes/iTunes Plug-ins
    std::string pluginPath;     // pluginFolder/Voxtrail.bundle
    std::string dataFolder;     // home/Library/Application Support/Voxtrail
    std::string firstRunMarker; // dataFolder/FirstRun
    // The calendars the plug-in exports: the store's (10.5 on), 10.4's and 10.3's defaults.
    std::string calendarStore;    // home/Library/Calendars/Voxtrail Store
    std::string tenFourCalendar;  // home/Library/Application Support/iCal/Sources/Voxtrail.calendar
    std::string tenThreeCalendar; // home/Library/Calendars/Voxtrail.ics
};

InstallPaths installPathsFor(const std::string& home);

// $HOME, or the password database's entry when it is unset.
std::string homeFolder();

} // namespace vx::installer
