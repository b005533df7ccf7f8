// Moving the month grid, kept within the months that hold entries of the selected tab (any
// month while the tab lists nothing).
#include "plugin/view/month_navigation.h"
#include "plugin/view/cal_vis.h"
#include "plugin/view/calendar_data.h"

#include <climits>
#include <cstdint>
#include <mutex>

namespace {
// After the month changed: the list follows, cell scrolls restart and no entry stays hovered.
void monthChanged(const CalendarData& d, int tab) {
    setOffsetToMatchVisibleMonth(d);
    for (int32_t& s : d.view->cellScroll)
        s = 0;
    SHOWLIST* list = tabList(d, tab);
    if (!list) return;
    std::lock_guard<ListMutex> guard(list->mutex);
    for (SHOWENTRY* e = list->head; e; e = e->next)
        e->hovered = false;
}
} // namespace

void showNextMonth(const CalendarData& d) {
    if (!d.view) return;
    const int tab = currentTab(d);
    SHOWLIST* list = tabList(d, tab);
    if (!list) return;
    {
        std::lock_guard<ListMutex> guard(list->mutex);
        SHOWENTRY* last = lastShown(d, tab);
        // With nothing listed every month is open: the user may still look around the calendar.
        if (last && compareMonth(last, d.view->curVisYear, d.view->curVisMonth) <= 0) return;
    }
    CalVis& v = *d.view;
    if (++v.curVisMonth > 12) {
        v.curVisMonth = 1;
        ++v.curVisYear;
    }
    monthChanged(d, tab);
}

void showPreviousMonth(const CalendarData& d) {
    if (!d.view) return;
    const int tab = currentTab(d);
    SHOWLIST* list = tabList(d, tab);
    if (!list) return;
    {
        std::lock_guard<ListMutex> guard(list->mutex);
        SHOWENTRY* first = firstShown(d, tab);
        if (first && compareMonth(first, d.view->curVisYear, d.view->curVisMonth) >= 0) return;
    }
    CalVis& v = *d.view;
    if (--v.curVisMonth < 1) {
        v.curVisMonth = 12;
        --v.curVisYear;
    }
    monthChanged(d, tab);
}

void setOffsetToMatchVisibleMonth(const CalendarData& d) {
    if (!d.view) return;
    const int tab = currentTab(d);
    SHOWLIST* list = tabList(d, tab);
    if (!list) return;
    std::lock_guard<ListMutex> guard(list->mutex);
    long long earlier = 0;
    for (SHOWENTRY* e = firstShown(d, tab); e; e = nextShown(d, tab, e)) {
        if (compareMonth(e, d.view->curVisYear, d.view->curVisMonth) >= 0) break;
        ++earlier;
    }
    const long long offset = -static_cast<long long>(d.view->rowHeight - 1) * earlier;
    d.view->curVisShowListOffset = offset < INT32_MIN ? INT32_MIN : static_cast<int32_t>(offset);
}

void CalVis::incrementCurVisMonth() {
    showNextMonth(calendarDataOf(this));
}
void CalVis::decrementCurVisMonth() {
    showPreviousMonth(calendarDataOf(this));
}
void CalVis::setOffsetToMatchCurVisMonth() {
    setOffsetToMatchVisibleMonth(calendarDataOf(this));
}
