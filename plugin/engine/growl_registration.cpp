#include "platform/script_runner.h"
#include "plugin/engine/startup_steps.h"
#include "plugin/model/plugin_data.h"

#include <string>

std::string growlRegistrationScript(bool concerts, bool albums) {
    const char* enabled = concerts && albums ? "{\"Upcoming Concert\", \"Upcoming Album Release\"}"
                          : concerts         ? "{\"Upcoming Concert\"}"
                          : albums           ? "{\"Upcoming Album Release\"}"
                                             : "{}";
    const std::string gap = " \t\t\t";
    std::string s;
    s += "tell application \"System Events\"\n";
    s += "\tset bGrowlIsRunning to (count of (every process whose name is \"GrowlHelperApp\")) > 0\n";
    s += "\tif bGrowlIsRunning is true then\n";
    s += "\t\ttell application \"GrowlHelperApp\"\n";
    s += "\t\t\tset the allNotificationsList to" + gap +
         "{\"Upcoming Concert\", \"Upcoming Album Release\"}\n";
    s += "\t\t\tset the enabledNotificationsList to" + gap + enabled + "\n";
    s += "\t\t\tregister as application \"Voxtrail\"" + gap + "all notifications allNotificationsList" + gap +
         "default notifications enabledNotificationsList" + gap +
         "icon of application \"Voxtrail_Installer.app\"\n";
    s += "\t\tend tell\n";
    s += "\tend if\n";
    s += "end tell";
    return s;
}

void registerWithGrowl(PluginData* root) {
    const std::string script =
        growlRegistrationScript(root->state.getNotifyConcerts(), root->state.getNotifyAlbums());
    SimpleRunAppleScript(script.c_str());
}
