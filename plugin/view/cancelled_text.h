#pragma once
// A cancelled show's name as the list and the grid draw it: "Cancelled" in red, then the name
// struck through, so that a glance tells it from the shows that go ahead.
#include "plugin/view/draw_helpers.h"

// Draws in box with style's size and alignment to the left; the text position after a left-aligned
// text is where it ended, which gives the strike its length.
void writeCancelledName(CGContextRef ctx, const Rect* pane, const char* artist, const Rect& box,
                        TextStyle style);
