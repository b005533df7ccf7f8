#pragma once
// Mouse input of the calendar pane, delivered by the host window's event target.
#include "platform/visual_plugin_api.h"

class VoxtrailClass;

// The handler installed on the host window while the pane is shown.
OSStatus MonitorHandler(const VxMouseEvent* event, void* userData);
// Re-evaluates which item the pointer is over after the screen moved under it.
void handleMouseMoveEvents(VoxtrailClass* root);
