// Secondary or control click released: a show of "My Shows" in or out of the chosen shows.
#include "plugin/view/mouse_hit_test.h"
#include "plugin/view/mouse_input.h"

#include "common/fixed_text.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/export/calendar_store_export.h"
#include "plugin/export/ical_file.h"
#include "plugin/services/calendar_sharing.h"
#include "plugin/view/cal_vis.h"

#include <memory>
#include <mutex>

namespace {

// Added when now selected, withdrawn otherwise; sent by the engine's queue, so the player never
// waits on the web lock a refresh holds.
void shareChoice(CalVis* vis, std::unique_ptr<SHOWENTRY> show) {
    ProtectedData& st = vis->root->state;
    if (!st.getSharing() || st.getShareAllShows()) return;
    vis->engine->shareClicks.post(std::move(show));
}

// Exported by the engine's queue, so the player never waits on the export lock a refresh's
// export holds.
void exportChoice(CalVis* vis) {
    ProtectedData& st = vis->root->state;
    if (!st.getExportTo_iCal() || st.getExportAllShows()) return;
    PluginData* root = vis->root;
    CalGetData* engine = vis->engine;
    engine->exportClicks.post([root, engine] {
        if (root->state.getOSXVersion() >= 10.5f) {
            performExportTo_iCalCalendarStore(root, engine->services.webServiceHost);
        } else if (engine->checkForInitialiCalFiles() == 0) {
            performExportTo_iCal(root, engine->services.webServiceHost);
        }
    });
}

} // namespace

void handleRightMouseClicks(CalVis* vis) {
    if (!vis) return;
    std::unique_ptr<SHOWENTRY> chosen;
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
        {
            std::lock_guard<SHOWLIST> walk(*data.concerts);
            if (SHOWENTRY* e = entryUnderPointer(data, 0, v.mouseX, v.mouseY)) {
                e->selected = !e->selected;
                chosen = copyShowForSharing(*e);
            }
        }
        v.Render();
        if (!chosen) return;
    }
    shareChoice(vis, std::move(chosen));
    vis->engine->genPref();
    exportChoice(vis);
    vis->Render();
}
