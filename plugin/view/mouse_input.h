#pragma once
// Mouse input of the calendar pane, delivered by the host window's event target. Every handler
// hit-tests against the rectangles the last frame recorded and ends by repainting.
#include "platform/visual_plugin_api.h"

#include <cstdint>

class CalVis;

// What the handler answers for every event, so that the host still receives it.
constexpr OSStatus eventNotHandledErr = -9874;

// The handler installed on the host window while the pane is shown: turns the event's port
// location into pane coordinates (mouseX, mouseY of the view) and dispatches by kind. userData
// is the root's view (CalVis*); a null one handles nothing.
OSStatus MonitorHandler(const VxMouseEvent* event, void* userData);

// Mouse down: the location fields, the list's scroll bar, the month arrows, the cell arrows.
void handleLeftMouseClicks(CalVis* vis);
// Primary button released: ends a thumb drag, follows a show's link, or acts on the hot spot
// the pointer is over.
void handleMouseUp(CalVis* vis);
// Secondary (or control) click released: toggles a show of "My Shows" in and out of the user's
// chosen shows and saves them.
void handleRightMouseClicks(CalVis* vis);
// Pointer moved: drags the thumb, or re-evaluates which item the pointer is over.
void handleMouseMoveEvents(CalVis* vis);
// Wheel turned by delta (positive away from the user).
void handleMouseWheelMoved(CalVis* vis, int32_t delta);
