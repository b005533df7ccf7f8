// Primary button released: the end of a thumb drag, a show's link, or the hot spot under the
// pointer.
#include "plugin/view/mouse_hit_test.h"
#include "plugin/view/mouse_input.h"
#include "plugin/view/mouse_links.h"

#include "common/fixed_text.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/engine/user_actions.h"
#include "plugin/view/cal_vis.h"

#include <mutex>

namespace {

// What the highlighted hot spots ask for, gathered under the render lock and done after it:
// a new search and the preferences window must not run while a frame is locked out.
struct SpotActions {
    bool upgrade = false;
    bool retry = false;
    bool version = false;
    bool preferences = false;
    bool iPhoneApp = false;
    bool androidApp = false;
    bool support = false;
    int tab = -1;
};

// Reads a hot spot's flag, clearing it when the spot is done with once followed.
bool takeSpot(HotSpot& spot, bool clear) {
    const bool hit = spot.highlighted;
    if (hit && clear) spot.highlighted = false;
    return hit;
}

SpotActions takeHighlightedSpots(CalVis& v) {
    SpotActions a;
    a.upgrade = takeSpot(v.upgradeSpot, true);
    a.retry = takeSpot(v.retrySpot, true);
    a.version = takeSpot(v.versionSpot, true);
    a.preferences = takeSpot(v.preferencesSpot, false);
    a.iPhoneApp = takeSpot(v.iPhoneAppSpot, true);
    a.androidApp = takeSpot(v.androidAppSpot, true);
    for (int i = 0; i < 3; ++i)
        if (takeSpot(v.tabSpot[i], false)) a.tab = i;
    a.support = takeSpot(v.supportSpot, true);
    return a;
}

void followSpots(CalVis* vis, const SpotActions& a) {
    if (a.upgrade) openServicePage(vis, kDownloadPath);
    if (a.retry) {
        vis->root->state.setValid_internet_connection(true);
        vis->engine->suggestUpdateShowList(kUpdateAll, true);
        vis->Render();
    }
    if (a.version) openServicePage(vis, kHomePagePath);
    if (a.preferences) openPreferences(*vis->engine);
    if (a.iPhoneApp) openServicePage(vis, kiPhoneAppPath);
    if (a.androidApp) openServicePage(vis, kAndroidAppPath);
    if (a.tab >= 0) vis->root->state.setCurCalTab(a.tab);
    if (a.support) openServicePage(vis, kDonationsPath);
}

} // namespace

void handleMouseUp(CalVis* vis) {
    if (!vis) return;
    SpotActions actions;
    char link[sizeof(SHOWENTRY::url)] = {};
    {
        std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
        CalVis& v = *vis;
        // The end of a thumb drag is never a click on what lies under the pointer.
        if (v.thumbDragging) {
            v.thumbDragging = false;
            v.Render();
            return;
        }
        const CalendarData data = calendarDataOf(vis);
        const int tab = currentTab(data);
        SHOWLIST* list = tabList(data, tab);
        bool onEntry = false;
        if (list) {
            std::lock_guard<SHOWLIST> walk(*list);
            if (SHOWENTRY* e = entryUnderPointer(data, tab, v.mouseX, v.mouseY)) {
                onEntry = true;
                e->hovered = false;
                vx::copyText(link, e->url);
            }
        }
        // An entry without a link does nothing; one with a link is opened once the locks are
        // given back.
        if (onEntry && !link[0]) return;
        if (!onEntry) actions = takeHighlightedSpots(v);
    }
    if (link[0]) {
        openClickThrough(vis, link);
        return;
    }
    followSpots(vis, actions);
    vis->Render();
}
