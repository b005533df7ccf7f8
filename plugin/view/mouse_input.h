#pragma once
// Mouse input of the calendar pane, delivered by the host window's event target. Every handler
// hit-tests against the rectangles the last frame recorded and ends by repainting.
#include "platform/visual_plugin_api.h"

#include <cstdint>

class VoxtrailClass;

// What the handler answers for every event, so that the host still receives it.
constexpr OSStatus eventNotHandledErr = -9874;

// The handler installed on the host window while the pane is shown: turns the event's port
// location into pane coordinates (mouseX, mouseY of the view) and dispatches by kind. Works on
// gVoxtrail; userData is not read.
OSStatus MonitorHandler(const VxMouseEvent* event, void* userData);

// Mouse down: the location fields, the list's scroll bar, the month arrows, the cell arrows.
void handleLeftMouseClicks(VoxtrailClass* root);
// Primary button released: ends a thumb drag, follows a show's link, or acts on the hot spot
// the pointer is over.
void handleMouseUp(VoxtrailClass* root);
// Secondary (or control) click released: toggles a show of "My Shows" in and out of the user's
// chosen shows and saves them.
void handleRightMouseClicks(VoxtrailClass* root);
// Pointer moved: drags the thumb, or re-evaluates which item the pointer is over.
void handleMouseMoveEvents(VoxtrailClass* root);
// Wheel turned by delta (positive away from the user).
void handleMouseWheelMoved(VoxtrailClass* root, int32_t delta);
