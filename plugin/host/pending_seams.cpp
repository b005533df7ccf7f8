// Seams for host-message actions whose subsystems are not built yet. Each moves to its own
// subsystem when that is built; until then the call sites are live and these change nothing.
#include "plugin/export/notify_upcoming.h"
#include "plugin/prefs/preferences_window.h"

void OpenPreferencesGUI(VoxtrailClass*) {}
void notifyUserOfUpcomingShow(VoxtrailClass*, const unsigned char*, const unsigned char*) {}
