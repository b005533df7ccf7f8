#pragma once
// Text in a box of the pane (y down) drawn into a y-up context, and the pane's white clear.
#include "platform/graphics/cg_context.h"
#include "platform/visual_plugin_api.h"

enum { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };

// Writes text line by line ("\n" separates lines) into r, fontSize + 2 pixels apart, in the
// font, size and fill colour the caller selected. A line too wide for the box ends in "...";
// lines whose baseline would fall on or below the box's bottom are not drawn. Returns 0 when
// the text ran out, 1 when the box did.
int macWriteToRect(CGContextRef ctx, const char* text, Rect r, const Rect* pane, int fontSize, int align,
                   bool underline);

void macClearScreen(CGContextRef ctx, const Rect* pane);
