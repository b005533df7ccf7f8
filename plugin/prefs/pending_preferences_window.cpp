// Seam for the preferences window until it is built: the link and the host's configure command
// stay inert, and the host is told that nothing opened.
#include "plugin/prefs/preferences_window.h"

bool OpenPreferencesGUI(CalGetData*) {
    return false;
}
