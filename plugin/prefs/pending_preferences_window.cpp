// Seam for the preferences window until the platform's windows from interface files exist: the
// link and the host's configure command stay inert, and the host is told that nothing opened.
#include "plugin/prefs/preferences_window.h"

bool OpenPreferencesGUI(CalGetData*) {
    return false;
}

void ClosePreferencesGUI() {}
