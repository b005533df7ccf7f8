#include "plugin/engine/user_actions.h"

#include "platform/host_services.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/export/calendar_store_export.h"
#include "plugin/export/export_stamp.h"
#include "plugin/export/ical_file.h"
#include "plugin/net/query_escape.h"
#include "plugin/net/web_fetch.h"
#include "plugin/prefsfile/preferences_file.h"
#include "plugin/services/calendar_sharing.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Added when chosen, withdrawn otherwise; waits for the web lock a refresh holds.
void sendChoice(WebSession& web, const SHOWENTRY& show) {
    ProtectedData& st = web.root->state;
    for (;;) {
        bool stopped = false;
        shareSingleShow(web, &show, show.selected, &stopped);
        if (!stopped || st.getShutingDown()) return;
        // A newer refresh broke the fetch off while it started: send again once it runs.
        while (st.getForceUpdate() && !st.getShutingDown())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Each choice is sent in its turn: a later one does not cover an earlier one of another show.
void shareChoice(CalGetData& engine, std::unique_ptr<SHOWENTRY> show) {
    WebSession* web = &engine.web;
    std::shared_ptr<SHOWENTRY> copy(std::move(show));
    engine.shares.post(ActionQueue::Kind::Share, [web, copy] {
        sendChoice(*web, *copy);
        web->root->redraw();
    });
}

bool sharesEachChoice(ProtectedData& st) {
    return st.getSharing() && !st.getShareAllShows();
}

SHOWENTRY* showWithUid(SHOWLIST& list, const char* uid) {
    for (SHOWENTRY* e = list.head; e; e = e->next)
        if (std::strcmp(e->uid, uid) == 0) return e;
    return nullptr;
}

// The queue waits for the export lock a refresh's export holds.
void exportChoice(CalGetData& engine) {
    ProtectedData& st = engine.root->state;
    if (!st.getExportTo_iCal() || st.getExportAllShows()) return;
    CalGetData* e = &engine;
    engine.actions.post(ActionQueue::Kind::Export, [e] { exportChosenShows(*e); });
}

} // namespace

void exportChosenShows(CalGetData& engine, bool wholeListOnly) {
    if (engine.exportsToiCalFolder() && engine.checkForInitialiCalFiles() != 0) return;
    engine.exportShows(wholeListOnly);
}

bool toggleChoice(CalGetData& engine, const char* showUid) {
    SHOWLIST* concerts = engine.root->concerts;
    if (!concerts || !showUid || !showUid[0]) return false;
    std::unique_ptr<SHOWENTRY> shared;
    {
        std::lock_guard<SHOWLIST> hold(*concerts);
        SHOWENTRY* show = showWithUid(*concerts, showUid);
        if (!show) return false;
        show->selected = !show->selected;
        if (sharesEachChoice(engine.root->state)) shared = copyShowForSharing(*show);
    }
    // The save and the export come before the request, which may wait for the web.
    savePreferencesSoon(engine);
    exportChoice(engine);
    if (shared) shareChoice(engine, std::move(shared));
    return true;
}

void exportAgainIfStale(CalGetData& engine) {
    if (!engine.root->state.getExportTo_iCal()) return;
    CalGetData* e = &engine;
    engine.actions.post(ActionQueue::Kind::Export, [e] {
        // A refresh rebuilding the list would be caught half way, and a quit before its own export
        // would leave that half list as the calendar; the refresh exports when it ends. A refresh
        // may begin while this one loads its bundle, so the copy itself gives way.
        if (e->root->state.getUpdatingConcerts()) return;
        if (!vx::exportsUpToDate(e->root, e->web.services.webServiceHost)) exportChosenShows(*e, true);
    });
}

void savePreferencesSoon(CalGetData& engine) {
    CalGetData* e = &engine;
    engine.actions.post(ActionQueue::Kind::Save, [e] {
        // A stop leaves the lists whole again as it ends (the host thread ends it, never a close
        // that waits for this save), so the user's change is written then rather than lost.
        // The flags are asked first: a refused save would copy every list for nothing, under the
        // lock the stopping refresh needs.
        ProtectedData& st = e->root->state;
        while (!st.getShutingDown()) {
            if (!vx::preferencesSaveRefused(st) && e->genPref()) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
}

void savePreferencesAsStored(CalGetData& engine) {
    auto composed = std::make_shared<const vx::ComposedPreferences>(
        vx::composePreferences(engine.root, engine.nextUpdateTime));
    if (composed->refused) return savePreferencesSoon(engine);
    PluginData* root = engine.root;
    engine.actions.post(ActionQueue::Kind::Save, [root, composed] { vx::writePreferences(root, *composed); });
}

bool addFriend(CalGetData& engine, const char* name) {
    FRIENDLIST* friends = engine.root->friends;
    return friends && name && name[0] && friends->add(new FRIENDNAME(name));
}

void removeFriend(CalGetData& engine, const char* name) {
    if (FRIENDLIST* friends = engine.root->friends; friends && name) friends->remove(name);
}

void searchTypedPlace(CalGetData& engine) {
    engine.suggestUpdateShowList(kUpdateAll, false);
}

void openWebServicePage(CalGetData& engine, const char* pathAndQuery) {
    if (!pathAndQuery) return;
    // Room for the host (255), the scheme and the longest path with a show's link (255).
    char address[1024];
    webServiceURL(address, sizeof address, engine.web.services.webServiceHost, pathAndQuery);
    if (vx::hostOpenURL(address) == noErr) return;
    // Without a browser the click would otherwise do nothing the user can see.
    const std::string message = std::string("No web browser could be started to open this page:\n") + address;
    vx::hostShowAlert("The page could not be opened", message.c_str(), "OK", nullptr);
}

void openShowClickThrough(CalGetData& engine, const char* showURL) {
    if (!showURL || !showURL[0]) return;
    const std::string path = clickThroughPath(showURL);
    openWebServicePage(engine, path.c_str());
}

bool openPreferences(CalGetData& engine) {
    return engine.preferencesWindowOpener && engine.preferencesWindowOpener(&engine);
}
