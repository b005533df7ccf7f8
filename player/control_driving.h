#pragma once
// The script's "control" and "press" commands: a control of the plug-in's open windows, found
// by its object name, set or clicked as a user would, so that the plug-in hears of it as it
// hears of the user.
#include <string>

namespace vx {
class InterfaceWindows;
}

namespace vx::player {

// "" when done, else why not ("no such control", "is disabled", ...).
// Text boxes take value as their whole text and then see a key release, as typing would end;
// check boxes and radio buttons take 1 or 0 and are clicked when that changes them; lists take
// the row to select (-1 none); tabs the tab to show, counted from 1.
std::string setControl(InterfaceWindows& windows, const std::string& name, const std::string& value);
// Clicks a button, check box or radio button.
std::string pressControl(InterfaceWindows& windows, const std::string& name);

} // namespace vx::player
