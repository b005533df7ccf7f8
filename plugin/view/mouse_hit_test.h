#pragma once
// What the pointer is over, tested against the rectangles of the last frame.
#include "plugin/view/calendar_data.h"

#include <cstdint>

// Strictly inside: left < x < right and top < y < bottom.
inline bool pointInRect(const Rect& r, int32_t x, int32_t y) {
    return r.left < x && x < r.right && r.top < y && y < r.bottom;
}
inline bool pointInSpot(const HotSpot& s, int32_t x, int32_t y) {
    return pointInRect(s.rect, x, y);
}

// The entry's line in a day cell or its row in the list, where the last frame drew it.
bool entryUnderPoint(const SHOWENTRY* entry, int32_t x, int32_t y);
// The first shown entry of the tab's list under the point, or null. The caller holds the
// render lock and the list's lock.
SHOWENTRY* entryUnderPointer(const CalendarData& data, int tab, int32_t x, int32_t y);
