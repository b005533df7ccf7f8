// A pane smaller than the layout holds: one plain message instead of texts drawn over each other.
#include "plugin/view/calendar_frame.h"
#include "plugin/view/text_drawing.h"

namespace {

void clearSpot(HotSpot& spot) {
    spot.rect = Rect{0, 0, 0, 0};
    spot.highlighted = false;
}

// Nothing drawn is clickable: the rectangles of an earlier, larger frame must not take clicks.
void clearHotSpots(CalVis& v) {
    for (HotSpot* s : {&v.nextMonthSpot, &v.prevMonthSpot, &v.citySpot, &v.stateSpot, &v.radiusSpot,
                       &v.upgradeSpot, &v.supportSpot, &v.retrySpot, &v.versionSpot, &v.preferencesSpot,
                       &v.iPhoneAppSpot, &v.androidAppSpot, &v.tabSpot[0], &v.tabSpot[1], &v.tabSpot[2]})
        clearSpot(*s);
    const Rect none{0, 0, 0, 0};
    v.listAreaRect = v.gridRect = v.scrollUpRect = v.scrollDownRect = v.thumbRect = none;
    for (int i = 0; i < CalVis::kMaxGridCells; ++i) {
        v.cellUpArrowRect[i] = v.cellDownArrowRect[i] = v.cellRect[i] = none;
        v.cellCanScrollUp[i] = v.cellCanScrollDown[i] = false;
    }
}

void leaveList(SHOWLIST* list) {
    if (!list) return;
    std::lock_guard<ListMutex> guard(list->mutex);
    for (SHOWENTRY* e = list->head; e; e = e->next)
        e->inList = e->inCell = false;
}

} // namespace

bool paneTooSmall(const Frame& f) {
    return f.width < kSmallestPaneWidth || f.height < kSmallestPaneHeight;
}

void drawTooSmallNotice(Frame& f) {
    clearHotSpots(*f.view);
    leaveList(f.data->concerts);
    leaveList(f.data->friendShows);
    leaveList(f.data->albumReleases);
    macClearScreen(f.ctx, f.pane);
    TextStyle style;
    style.align = 1;
    style.size = 12;
    style.colour = colour::secondary;
    const int middle = f.height / 2;
    writeText(f.ctx, f.pane, "Make this pane larger\nto see your concert calendar.",
              paneRect(middle - 16, 4, middle + 20, f.width - 4), style);
}
