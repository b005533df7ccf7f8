#pragma once
// The update engine: decides when the calendar data is refreshed, runs each refresh on one
// background thread, lets a newer request stop a running one, serialises the web exchanges and
// holds the library lists.
#include "platform/host_services.h"
#include "plugin/engine/action_queue.h"
#include "plugin/engine/engine_activity.h"
#include "plugin/model/plugin_data.h"
#include "plugin/model/record_lists.h"
#include "plugin/net/web_session.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// Bits of the update mask.
enum : uint32_t {
    kUpdateConcerts = 2,
    kUpdateAlbums = 4,
    kUpdateFriends = 8,
    kUpdateShared = 16,
    kUpdateiPhone = 32,
    kUpdateAll = 0xFFFFFFFFu
};

class CalGetData {
  public:
    explicit CalGetData(PluginData* root);
    ~CalGetData();
    CalGetData(const CalGetData&) = delete;
    CalGetData& operator=(const CalGetData&) = delete;

    PluginData* root;
    // The web exchange area (the service's hosts, the last page and the web lock), which every
    // request of the plug-in goes through; declared before the queues that send with it.
    WebSession web{root};

    std::thread updateThreadHandle;
    // Read and written from both threads (the schedule check and the preferences writer).
    std::atomic<int32_t> nextUpdateTime{0};
    // Set until the IP look-up has found a place, or the user typed one.
    std::atomic<bool> useIpLocation{false};
    XML_Artist_List artists;
    XML_Album_List albums;
    Artist_Info_List artistInfos;
    // The host hears when neither user actions nor a refresh are under way.
    EngineActivity activity{[](bool idle) { vx::hostReportIdle(idle); }};
    // What user actions leave to do (saves, exports), off the host thread and in the order asked.
    // Started at init, stopped at cleanup.
    ActionQueue actions{[this](bool idle) { activity.setActionsBusy(!idle); }};
    // The sharing requests of choices, in click order, on a worker of their own: a request may
    // wait for the web lock a refresh holds, and a later click's save must not wait behind it.
    ActionQueue shares{[this](bool idle) { activity.setSharesBusy(!idle); }};
    // Opens the preferences window on the host thread; the host sets it, as the window is a
    // layer above the engine. False when no window could be opened.
    std::function<bool(CalGetData*)> preferencesWindowOpener;

    // Start-up: defaults, paths, identifier, stored settings, library, version check.
    void initialize();

    int suggestUpdateShowList(unsigned long mask, bool force);
    // Ends the typing of the radius; false when the typed radius cannot be searched: the
    // status line then says so and the field shows the radius of the list again.
    bool endRadiusEditing();
    void performUpdate(unsigned long mask);
    // The body of the update thread: one refresh of the lists in mask.
    void updateThread(unsigned long mask);
    int UpdateConcerts();
    int UpdateAlbums();
    int UpdateFriends();
    int UpdateShared();
    int UpdateiPhone();
    void shutDown();
    // Undoes shutDown when the host starts the plug-in again in the same process.
    void resume();

    // Library file.
    int parseXML();
    // The library file or the include or exclude list changed: the next refresh reads the
    // library again before it searches.
    void libraryChanged() { libraryStale = true; }
    // Asks the web service whether a newer version exists and offers the download.
    void checkForVersionUpdate();

    // Preferences file. False when a refresh being stopped or the close kept it from writing.
    bool genPref();
    int loadPrefs();

    // Prepares the iCal folder of older systems; nonzero when there is no usable location.
    int checkForInitialiCalFiles();
    // Systems before 10.5 export into the iCal folder, later ones into the calendar store.
    bool exportsToiCalFolder() const { return root->state.getOSXVersion() < 10.5f; }
    // The export of this system; on older ones the caller has prepared the iCal folder.
    void exportShows(bool wholeListOnly = false);

    static bool fileExists(const char* path);
    // True when a running refresh must stop.
    bool stopRequested() { return root->stopRequested(); }

  private:
    // What the last started refresh was asked for: the shown place and the mask. Host thread
    // only; refreshRunning is cleared by the update thread as it ends.
    struct Request {
        char city[256] = "";
        char state[256] = "";
        char radius[256] = "";
        unsigned long mask = 0;
    };
    Request started;
    std::atomic<bool> refreshRunning{false};
    std::atomic<bool> libraryStale{false};
    bool runningRefreshServes(unsigned long mask);

  public:
    // Tests replace the sub-updates of a refresh: called with the step's bit instead of the
    // step, on the update thread. Set only while no refresh runs.
    std::function<int(uint32_t bit)> stepHookForTesting;
};
