#include "plugin/view/mouse_hit_test.h"

bool entryUnderPoint(const SHOWENTRY* entry, int32_t x, int32_t y) {
    if (!entry) return false;
    return (entry->inCell && pointInRect(entry->inCellRect, x, y)) ||
           (entry->inList && pointInRect(entry->rowRect, x, y));
}

SHOWENTRY* entryUnderPointer(const CalendarData& data, int tab, int32_t x, int32_t y) {
    SHOWLIST* list = tabList(data, tab);
    for (SHOWENTRY* e = list ? list->head : nullptr; e; e = e->next)
        if (entryShown(data, tab, e) && entryUnderPoint(e, x, y)) return e;
    return nullptr;
}
