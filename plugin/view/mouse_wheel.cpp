// Wheel turns: the show list, a day cell's entries, or the month.
#include "plugin/view/mouse_hit_test.h"
#include "plugin/view/mouse_input.h"

#include "plugin/engine/cal_get_data.h"
#include "plugin/view/cal_vis.h"

#include <climits>
#include <mutex>

namespace {

constexpr int32_t kScrollStep = 20;

// The day cell under the pointer, or -1.
int cellUnderPointer(const CalVis& v) {
    for (int i = 0; i < v.gridCells && i < CalVis::kMaxGridCells; ++i)
        if (pointInRect(v.cellRect[i], v.mouseX, v.mouseY)) return i;
    return -1;
}

// A cell that shows its arrows scrolls its own entries; any other place in the grid turns the
// month (towards the user is the next month).
void turnInGrid(CalVis& v, int32_t delta) {
    const int cell = cellUnderPointer(v);
    if (cell >= 0 && (v.cellCanScrollUp[cell] || v.cellCanScrollDown[cell])) {
        if (delta < 0 && v.cellCanScrollDown[cell])
            ++v.cellScroll[cell];
        else if (delta > 0 && v.cellCanScrollUp[cell] && v.cellScroll[cell] > 0)
            --v.cellScroll[cell];
        return;
    }
    if (delta <= 0)
        v.incrementCurVisMonth();
    else
        v.decrementCurVisMonth();
}

} // namespace

void handleMouseWheelMoved(CalVis* vis, int32_t delta) {
    if (!vis) return;
    {
        std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
        CalVis& v = *vis;
        if (v.listScrollable && pointInRect(v.listAreaRect, v.mouseX, v.mouseY)) {
            if (delta > 0) {
                if (v.curVisShowListOffset <= INT_MAX - kScrollStep) v.scrollUp();
            } else if (v.curVisShowListOffset >= INT_MIN + kScrollStep) {
                v.scrollDown();
            }
        } else if (pointInRect(v.gridRect, v.mouseX, v.mouseY)) {
            turnInGrid(v, delta);
        } else {
            return;
        }
        v.Render();
    }
    // The screen moved under the pointer.
    handleMouseMoveEvents(vis);
}
