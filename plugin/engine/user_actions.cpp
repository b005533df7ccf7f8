#include "plugin/engine/user_actions.h"

#include "platform/host_services.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/export/calendar_store_export.h"
#include "plugin/export/export_stamp.h"
#include "plugin/export/ical_file.h"
#include "plugin/net/query_escape.h"
#include "plugin/net/web_fetch.h"
#include "plugin/services/calendar_sharing.h"

#include <string>

namespace {

// Added when now chosen, withdrawn otherwise; the queue waits for the web lock a refresh holds.
void shareChoice(CalGetData& engine, const SHOWENTRY& show) {
    ProtectedData& st = engine.root->state;
    if (!st.getSharing() || st.getShareAllShows()) return;
    engine.shareClicks.post(copyShowForSharing(show));
}

// The export of this system, on the export queue's thread: none while an older system's iCal
// folder cannot be prepared.
void exportNow(CalGetData* e) {
    if (e->exportsToiCalFolder() && e->checkForInitialiCalFiles() != 0) return;
    e->exportShows();
}

// The queue waits for the export lock a refresh's export holds.
void exportChoice(CalGetData& engine) {
    ProtectedData& st = engine.root->state;
    if (!st.getExportTo_iCal() || st.getExportAllShows()) return;
    CalGetData* e = &engine;
    engine.exportClicks.post([e] { exportNow(e); });
}

} // namespace

void showChoiceChanged(CalGetData& engine, const SHOWENTRY& show) {
    shareChoice(engine, show);
    savePreferencesSoon(engine);
    exportChoice(engine);
}

void exportAgainIfStale(CalGetData& engine) {
    if (!engine.root->state.getExportTo_iCal()) return;
    CalGetData* e = &engine;
    engine.exportClicks.post([e] {
        // A refresh rebuilding the list would be caught half way, and a quit before its own export
        // would leave that half list as the calendar; the refresh exports when it ends.
        if (e->root->state.getUpdatingConcerts()) return;
        if (!vx::exportsUpToDate(e->root, e->web.services.webServiceHost)) exportNow(e);
    });
}

void savePreferencesSoon(CalGetData& engine) {
    CalGetData* e = &engine;
    engine.preferenceSaves.post([e] { e->genPref(); });
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
