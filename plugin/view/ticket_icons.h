#pragma once
// The "tickets on sale" marks beside shows: images from the plug-in bundle's Resources.
#include "platform/graphics/cg_context.h"
#include "platform/visual_plugin_api.h"

// 16 x 10 at {y + 2, x + 1, y + 12, x + 17} of the pane.
void drawSmallTicketIcon(CGContextRef ctx, Rect* pane, int x, int y);
// 32 x 17 at {y, x + 1, y + 17, x + 33} of the pane.
void drawLargeTicketIcon(CGContextRef ctx, Rect* pane, int x, int y);

// Takes the images from folder instead of the bundle's Resources (null: the bundle again) and
// forgets the images loaded so far. For programs that do not run inside the bundle.
void setTicketIconFolder(const char* folder);
