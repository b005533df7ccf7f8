#include "plugin/view/cancelled_text.h"

#include <algorithm>

void writeCancelledName(CGContextRef ctx, const Rect* pane, const char* artist, const Rect& box,
                        TextStyle style) {
    style.align = 0;
    style.underline = false;
    style.colour = colour::warning;
    writeText(ctx, pane, "Cancelled", box, style);
    const int nameLeft = static_cast<int>(CGContextGetTextPosition(ctx).x) + 4;
    if (nameLeft + 8 >= box.right) return;
    style.colour = colour::secondary;
    const Rect nameBox = paneRect(box.top, nameLeft, box.bottom, box.right);
    writeText(ctx, pane, artist, nameBox, style);
    const int end = std::min(static_cast<int>(CGContextGetTextPosition(ctx).x), static_cast<int>(box.right));
    // Through the middle of the letters of the box's first line.
    const int middle = box.top + (style.size + 2) - style.size / 2 + 1;
    strokePaneLine(ctx, pane, nameLeft, middle, end, middle, colour::frame);
}
