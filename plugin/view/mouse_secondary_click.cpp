// Secondary or control click released: a show of "My Shows" in or out of the chosen shows.
#include "plugin/view/mouse_hit_test.h"
#include "plugin/view/mouse_input.h"

#include "common/fixed_text.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/engine/user_actions.h"
#include "plugin/view/cal_vis.h"

#include <mutex>

void handleRightMouseClicks(CalVis* vis) {
    if (!vis) return;
    {
        std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
        CalVis& v = *vis;
        // A drag started by this click's mouse down ends with it.
        if (v.thumbDragging) {
            v.thumbDragging = false;
            v.Render();
            return;
        }
        const CalendarData data = calendarDataOf(vis);
        if (currentTab(data) != 0 || !data.concerts) return;
        char uid[sizeof SHOWENTRY::uid];
        {
            std::lock_guard<SHOWLIST> walk(*data.concerts);
            const SHOWENTRY* e = entryUnderPointer(data, 0, v.mouseX, v.mouseY);
            if (!e) return;
            vx::copyText(uid, e->uid);
        }
        // The engine changes the record; the list is not held while it does.
        toggleChoice(*vis->engine, uid);
        v.Render();
    }
}
