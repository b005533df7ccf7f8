// Mouse down: the location fields switch into editing, the scroll bar, month and cell arrows.
#include "plugin/view/mouse_hit_test.h"
#include "plugin/view/mouse_input.h"

#include "plugin/engine/cal_get_data.h"
#include "plugin/engine/user_actions.h"
#include "plugin/view/cal_vis.h"

#include <climits>
#include <mutex>

namespace {

constexpr int32_t kScrollStep = 20;

// Editing moves from field to field by clicking City, then State, then Radius; a field that
// loses the focus to a click anywhere other than the next field asks for a new search.
// Returns whether a search is due.
bool updateFieldEditing(CalVis* vis) {
    ProtectedData& st = vis->root->state;
    const CalVis& v = *vis;
    const int32_t x = v.mouseX, y = v.mouseY;
    const bool inCity = pointInSpot(v.citySpot, x, y);
    const bool inState = pointInSpot(v.stateSpot, x, y);
    const bool inRadius = pointInSpot(v.radiusSpot, x, y);
    bool search = false;
    // A click puts the caret back at the end, as a click into a selection does.
    st.setPlaceTextSelected(false);

    if (!st.getUpdatingCity() && inCity) {
        st.setUpdatingCity(true);
    } else if (st.getUpdatingCity()) {
        st.setUpdatingCity(false);
        if (!inState && !inCity) search = true;
    }

    if (!st.getUpdatingState() && inState) {
        st.setUpdatingState(true);
    } else if (st.getUpdatingState() && !inState) {
        st.setUpdatingState(false);
        if (!inRadius) search = true;
    }

    if (!st.getUpdatingSearchRadius() && inRadius) st.setUpdatingSearchRadius(true);
    if (st.getUpdatingSearchRadius() && !inRadius && vis->engine->endRadiusEditing()) search = true;
    return search;
}

// The scroll bar's rectangles are only current while the list is taller than its area.
void handleScrollBar(CalVis& v) {
    if (!v.listScrollable) return;
    const int32_t x = v.mouseX, y = v.mouseY;
    if (pointInRect(v.scrollUpRect, x, y) && v.curVisShowListOffset <= INT_MAX - kScrollStep) v.scrollUp();
    if (pointInRect(v.scrollDownRect, x, y) && v.curVisShowListOffset >= INT_MIN + kScrollStep)
        v.scrollDown();
    if (pointInRect(v.thumbRect, x, y)) {
        v.thumbDragging = true;
        v.dragStartY = y;
        v.dragStartOffset = v.curVisShowListOffset;
    }
}

void handleMonthArrows(CalVis& v) {
    if (pointInSpot(v.nextMonthSpot, v.mouseX, v.mouseY)) v.incrementCurVisMonth();
    if (pointInSpot(v.prevMonthSpot, v.mouseX, v.mouseY)) v.decrementCurVisMonth();
}

// One step of the first day cell whose active arrow was hit.
void handleCellArrows(CalVis& v) {
    for (int i = 0; i < v.gridCells && i < CalVis::kMaxGridCells; ++i) {
        if (v.cellCanScrollDown[i] && pointInRect(v.cellDownArrowRect[i], v.mouseX, v.mouseY)) {
            ++v.cellScroll[i];
            return;
        }
        if (v.cellCanScrollUp[i] && v.cellScroll[i] > 0 &&
            pointInRect(v.cellUpArrowRect[i], v.mouseX, v.mouseY)) {
            --v.cellScroll[i];
            return;
        }
    }
}

} // namespace

void handleLeftMouseClicks(CalVis* vis) {
    if (!vis) return;
    bool search = false;
    {
        // The rectangles and the lists are written by frames of the update thread too.
        std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
        search = updateFieldEditing(vis);
        handleScrollBar(*vis);
        handleMonthArrows(*vis);
        handleCellArrows(*vis);
    }
    // A new search joins the running refresh, which may be waiting for the render lock.
    if (search) searchTypedPlace(*vis->engine);
    vis->Render();
}
