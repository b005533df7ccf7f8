#pragma once
// The steps a refresh runs that belong to subsystems not built yet. Until a subsystem is built,
// its step is a seam in pending_steps.cpp that reports "done, nothing changed"; each declaration
// moves to its subsystem's header when that is built.
#include "plugin/model/plugin_data.h"
#include "plugin/net/web_session.h"

// Removes the notification timers and hides the notification windows at shutdown.
void removeNotificationWindows(PluginData* root);
