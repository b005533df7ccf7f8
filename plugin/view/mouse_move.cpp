// Pointer moved or dragged: the thumb drag, the hot spots' highlight and the shows' hover.
#include "plugin/view/mouse_hit_test.h"
#include "plugin/view/mouse_input.h"

#include "plugin/engine/cal_get_data.h"
#include "plugin/view/cal_vis.h"

#include <algorithm>
#include <climits>
#include <mutex>

namespace {

// The offset that keeps the thumb under the pointer; 64-bit so that no pointer travel or list
// length overflows, and an empty track (a pane too small for one) moves nothing.
void dragThumb(CalVis& v) {
    const int64_t track = int64_t{v.gridBottom} - v.gridTop - 2 * int64_t{v.headerHeight};
    if (track <= 0) return;
    const int64_t travel = int64_t{v.dragStartY} - v.mouseY;
    const int64_t offset = v.dragStartOffset + travel * v.listContentHeight / track;
    v.setCurVisShowListOffset(static_cast<int>(std::clamp<int64_t>(offset, INT_MIN, INT_MAX)));
}

void highlight(HotSpot& spot, bool active, int32_t x, int32_t y) {
    spot.highlighted = active && pointInSpot(spot, x, y);
}

void highlightSpots(CalVis* vis) {
    CalVis& v = *vis;
    ProtectedData& st = vis->root->state;
    const int32_t x = v.mouseX, y = v.mouseY;
    highlight(v.nextMonthSpot, true, x, y);
    highlight(v.prevMonthSpot, true, x, y);
    highlight(v.citySpot, true, x, y);
    highlight(v.stateSpot, true, x, y);
    highlight(v.radiusSpot, true, x, y);
    highlight(v.upgradeSpot, st.getVoxtrail_version_update(), x, y);
    highlight(v.retrySpot, !st.getValid_internet_connection(), x, y);
    highlight(v.versionSpot, true, x, y);
    highlight(v.preferencesSpot, true, x, y);
    highlight(v.iPhoneAppSpot, true, x, y);
    highlight(v.androidAppSpot, true, x, y);
    for (HotSpot& tab : v.tabSpot)
        highlight(tab, true, x, y);
    highlight(v.supportSpot, true, x, y);
}

void hoverEntries(CalVis* vis) {
    const CalendarData data = calendarDataOf(vis);
    const int tab = currentTab(data);
    SHOWLIST* list = tabList(data, tab);
    if (!list) return;
    std::lock_guard<SHOWLIST> walk(*list);
    const int32_t x = vis->mouseX, y = vis->mouseY;
    for (SHOWENTRY* e = list->head; e; e = e->next)
        e->hovered = entryShown(data, tab, e) && entryUnderPoint(e, x, y);
}

} // namespace

void handleMouseMoveEvents(CalVis* vis) {
    if (!vis) return;
    std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
    if (vis->thumbDragging) {
        dragThumb(*vis);
    } else {
        highlightSpots(vis);
        hoverEntries(vis);
    }
    // Every move repaints the screen.
    vis->Render();
}
