#pragma once
// The steps a refresh runs that belong to subsystems not built yet. Until a subsystem is built,
// its step is a seam in pending_steps.cpp that reports "done, nothing changed"; each declaration
// moves to its subsystem's header when that is built.
#include "plugin/model/plugin_data.h"
#include "plugin/net/web_session.h"

// Export of the concerts to iCal (file before 10.5, calendar store from 10.5).
int performExportTo_iCal(PluginData* root);
int performExportTo_iCalCalendarStore(PluginData* root);
// Removes the notification timers and hides the notification windows at shutdown.
void removeNotificationWindows(PluginData* root);
