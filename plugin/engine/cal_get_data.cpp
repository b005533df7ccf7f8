#include "plugin/engine/cal_get_data.h"

#include "plugin/engine/show_changes_step.h"
#include "plugin/engine/trip_search_step.h"
#include "plugin/engine/user_actions.h"

#include "common/fixed_text.h"
#include "common/regular_file.h"
#include "platform/boundary_guard.h"
#include "plugin/export/calendar_store_export.h"
#include "plugin/export/ical_file.h"
#include "plugin/export/notify_window.h"
#include "plugin/library/library_reader.h"
#include "plugin/net/clean_city.h"
#include "plugin/net/location.h"
#include "plugin/net/region_tables.h"
#include "plugin/prefsfile/private_file.h"
#include "plugin/services/calendar_sharing.h"
#include "plugin/services/concert_search.h"
#include "plugin/services/friends_tie.h"
#include "plugin/services/phone_sync.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int32_t kOneWeek = 604800;

int readNumber(const char* text) {
    int n = 0;
    std::sscanf(text, "%d", &n);
    return n;
}

// The typed place differs from the place of the last search, compared in canonical form.
bool placeChanged(ProtectedData& st) {
    char city[256], cityShown[256], region[256], regionShown[256], radiusShown[256];
    st.getCurCity(city);
    st.getCurCityDisplay(cityShown);
    cleanCity(city);
    cleanCity(cityShown);
    st.getCurState(region);
    st.getCurStateDisplay(regionShown);
    latLongStateAbbrev(region);
    latLongStateAbbrev(regionShown);
    st.getCurSearchRadiusDisplay(radiusShown);
    return std::strcmp(city, cityShown) != 0 || std::strcmp(region, regionShown) != 0 ||
           st.getCurSearchRadius() != readNumber(radiusShown);
}

// Until the concert step completes, every way out of it puts back the place and the list of the
// last good search: a failed or stopped refresh costs the user neither shows nor choices, and a
// later save writes the place that goes with the list shown.
class ConcertStepRollback {
  public:
    explicit ConcertStepRollback(PluginData& root) : root_(root) {
        ProtectedData& st = root.state;
        st.getCurCity(city_);
        st.getCurState(region_);
        radius_ = st.getCurSearchRadius();
        lat_ = st.getCurLat();
        lon_ = st.getCurLon();
    }
    ~ConcertStepRollback() {
        if (completed_) return;
        if (listStarted_) root_.restorePreviousList(root_.concerts, root_.previousConcerts);
        ProtectedData& st = root_.state;
        st.setCurCity(city_);
        st.setCurState(region_);
        st.setCurSearchRadius(radius_);
        st.setCurLat(lat_);
        st.setCurLon(lon_);
    }
    ConcertStepRollback(const ConcertStepRollback&) = delete;
    ConcertStepRollback& operator=(const ConcertStepRollback&) = delete;

    void listStarted() { listStarted_ = true; }
    void completed() { completed_ = true; }

  private:
    PluginData& root_;
    char city_[256];
    char region_[256];
    int radius_;
    double lat_, lon_;
    bool listStarted_ = false;
    bool completed_ = false;
};

// The search was of the place the list before it was found for, compared in canonical form.
bool samePlace(ProtectedData& st, const char* cityBefore, const char* regionBefore, int radiusBefore) {
    char city[256], region[256], oldCity[256], oldRegion[256];
    st.getCurCity(city);
    st.getCurState(region);
    vx::copyText(oldCity, cityBefore);
    vx::copyText(oldRegion, regionBefore);
    cleanCity(city);
    cleanCity(oldCity);
    latLongStateAbbrev(region);
    latLongStateAbbrev(oldRegion);
    return std::strcmp(city, oldCity) == 0 && std::strcmp(region, oldRegion) == 0 &&
           st.getCurSearchRadius() == radiusBefore;
}

// Names the place the service did not know, as typed, for the status line. A region the tables
// do not know is told apart: the user typed a region inside a country, which no table lists.
void reportPlaceNotFound(ProtectedData& st) {
    char city[256], region[256], text[256];
    st.getCurCity(city);
    st.getCurState(region);
    const bool blank = !region[0] || std::strcmp(region, "-") == 0;
    if (!blank && !regionKnown(region)) {
        st.setRefreshProblem(kUnknownRegionAdvice);
        return;
    }
    std::string place = city;
    if (!blank) place += std::string(", ") + region;
    std::snprintf(text, sizeof text, "\"%s\" was not found.\nPlease check the city and state.",
                  place.c_str());
    st.setRefreshProblem(text);
}

// A region neither table knows (a blank one included) cannot be searched: the service would
// answer it with no shows, which would replace the user's list and choices.
bool regionSearchable(ProtectedData& st) {
    char region[256];
    st.getCurState(region);
    return regionKnown(region);
}

// The user has typed a place (or one was loaded): the IP look-up must not replace it.
bool placeTyped(ProtectedData& st) {
    char city[256], region[256];
    st.getCurCityDisplay(city);
    st.getCurStateDisplay(region);
    return city[0] || region[0];
}

} // namespace

CalGetData::CalGetData(PluginData* owner) : root(owner) {
    // The state store is built after the engine, with forceUpdate and shutingDown already false,
    // so the engine does not touch it here.
}

CalGetData::~CalGetData() {
    if (updateThreadHandle.joinable()) updateThreadHandle.join();
    actions.stop();
    shares.stop();
}

int CalGetData::suggestUpdateShowList(unsigned long mask, bool force) {
    ProtectedData& st = root->state;
    if (!force) {
        // A refresh already working on the shown place is not started over: a pane shown while
        // the first refresh still locates the user would otherwise stop that look-up.
        const bool changed = placeChanged(st) && !runningRefreshServes(mask);
        const int32_t now = static_cast<int32_t>(std::time(nullptr));
        const int32_t due = nextUpdateTime.load();
        if (due != 0 && now > due)
            nextUpdateTime = now + kOneWeek;
        else if (!changed)
            return 0;
    }
    st.setForceUpdate(true);
    if (updateThreadHandle.joinable()) {
        st.setRestartingSearch(true);
        root->redraw();
        updateThreadHandle.join();
    }
    st.setRestartingSearch(false);
    root->redraw();
    st.setForceUpdate(false);
    st.getCurCityDisplay(started.city);
    st.getCurStateDisplay(started.state);
    st.getCurSearchRadiusDisplay(started.radius);
    started.mask = mask;
    refreshRunning = true;
    activity.setRefreshing(true);
    updateThreadHandle = vx::startGuardedThread("update thread", [this, mask] { updateThread(mask); });
    return 0;
}

bool CalGetData::endRadiusEditing() {
    ProtectedData& st = root->state;
    st.setUpdatingSearchRadius(false);
    if (st.acceptCurSearchRadiusDisplay()) return true;
    char text[ProtectedData::refreshProblemCapacity];
    std::snprintf(text, sizeof text, "The radius must be 1 to %d miles;\nthe search stays at %d miles.",
                  ProtectedData::kLargestSearchRadius, st.getCurSearchRadius());
    st.setRefreshProblem(text);
    return false;
}

bool CalGetData::runningRefreshServes(unsigned long mask) {
    if (!refreshRunning || (mask & ~started.mask) != 0) return false;
    ProtectedData& st = root->state;
    char city[256], region[256], radius[256];
    st.getCurCityDisplay(city);
    st.getCurStateDisplay(region);
    st.getCurSearchRadiusDisplay(radius);
    return std::strcmp(city, started.city) == 0 && std::strcmp(region, started.state) == 0 &&
           std::strcmp(radius, started.radius) == 0;
}

void CalGetData::updateThread(unsigned long mask) {
    // An exception ends the refresh as a failed step does: nothing saved, no step left running.
    if (vx::guardBoundary("update thread", [&] { performUpdate(mask); }) != noErr)
        vx::guardBoundary("update thread", [&] {
            root->state.clearUpdatingSteps();
            root->redraw();
        });
    refreshRunning = false;
    activity.setRefreshing(false);
}

void CalGetData::performUpdate(unsigned long mask) {
    ProtectedData& st = root->state;
    st.setForceUpdate(false);
    st.setValid_internet_connection(true);
    st.setRefreshProblem("");
    if (st.getShutingDown()) return;
    if (libraryStale.exchange(false)) {
        // Held whole, so a notice on the host thread never sees a library half read. A library
        // path that does not open keeps the artists read before, as at start-up.
        std::scoped_lock lists(artists.mutex, albums.mutex);
        char path[1024];
        st.getiTunes_xml_path(path);
        // A folder is read too, and anything else that is there is refused with a notice.
        if (fileExists(path) || vx::regularFileState(path) == vx::FileOpening::notRegular) parseXML();
    }

    struct Step {
        uint32_t bit;
        int (CalGetData::*run)();
        void (ProtectedData::*clearRunning)(bool);
    };
    static constexpr Step steps[] = {
        {kUpdateConcerts, &CalGetData::UpdateConcerts, &ProtectedData::setUpdatingConcerts},
        {kUpdateAlbums, &CalGetData::UpdateAlbums, &ProtectedData::setUpdatingAlbums},
        {kUpdateFriends, &CalGetData::UpdateFriends, &ProtectedData::setUpdatingFriends},
        {kUpdateShared, &CalGetData::UpdateShared, &ProtectedData::setUpdatingShared},
    };
    auto run = [this](uint32_t bit, int (CalGetData::*step)()) {
        return stepHookForTesting ? stepHookForTesting(bit) : (this->*step)();
    };
    for (const Step& step : steps) {
        if (!(mask & step.bit)) continue;
        if (run(step.bit, step.run) != 0) {
            (st.*step.clearRunning)(false);
            root->redraw();
            return;
        }
    }
    // After the sharing step has registered the account; a friend list that changed runs the friends
    // step alone. Whether it reached the service or not, the next such refresh sends it again.
    if ((mask & (kUpdateFriends | kUpdateShared | kUpdateiPhone))) tellServiceFriends(web);
    if ((mask & kUpdateiPhone) && run(kUpdateiPhone, &CalGetData::UpdateiPhone) != 0) {
        st.setUpdatingiPhone(false);
        root->redraw();
    }
    if (!st.getValid_internet_connection()) return;
    // "Last updated" tells of the last refresh that ran through; other saves keep its date.
    std::tm today{};
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &today);
    st.setLastSearch_d(today.tm_mday);
    st.setLastSearch_m(today.tm_mon + 1);
    st.setLastSearch_y(today.tm_year + 1900);
    genPref();
}

int CalGetData::UpdateConcerts() {
    ProtectedData& st = root->state;
    st.setUpdatingConcerts(true);
    st.setUpdatingProgress(0.0);
    root->redraw();
    ConcertStepRollback rollback(*root);
    char searchedCity[256], searchedRegion[256];
    st.getCurCity(searchedCity);
    st.getCurState(searchedRegion);
    const int searchedRadius = st.getCurSearchRadius();

    if (useIpLocation && !placeTyped(st)) {
        // Kept set when the look-up fails or is stopped, so the next refresh locates again.
        if (ipLoc(web) != 0) return 1;
        useIpLocation = false;
    } else {
        useIpLocation = false; // a typed place wins over the IP look-up
        char text[256];
        st.getCurCityDisplay(text);
        st.setCurCity(text);
        st.getCurStateDisplay(text);
        st.setCurState(text);
        st.getCurSearchRadiusDisplay(text);
        st.setCurSearchRadius(readNumber(text));
    }
    if (stopRequested()) return 1;
    if (!regionSearchable(st)) {
        reportPlaceNotFound(st);
        return 1;
    }

    const int located = latLongLoc(web);
    if (stopRequested()) return 1;
    if (located == 1) {
        reportPlaceNotFound(st);
        return 1;
    }

    root->startNewList(root->concerts, root->previousConcerts);
    rollback.listStarted();
    artistInfos.clear();
    if (stopRequested()) return 1;
    artistInfos.clear();

    ConcertSearchAnswers answers;
    TripSearches trips(web, artists);
    if (genericParser(web, artists, &answers) != 0 || stopRequested()) return 1;
    if (trips.finish() != 0 || stopRequested()) return 1;
    rollback.completed();
    trackConcertChanges(*root, samePlace(st, searchedCity, searchedRegion, searchedRadius), answers,
                        web.services.webServiceHost);

    if (exportsToiCalFolder() && checkForInitialiCalFiles() != 0) {
        st.setUpdatingConcerts(false);
        root->redraw();
        return 0;
    }
    if (st.getExportTo_iCal()) {
        exportShows();
    } else {
        st.setExportProblem(""); // an export turned off no longer fails
    }
    st.setUpdatingConcerts(false);
    root->redraw();
    return 0;
}

void CalGetData::exportShows(bool wholeListOnly) {
    if (exportsToiCalFolder())
        performExportTo_iCal(root, web.services.webServiceHost, wholeListOnly);
    else
        performExportTo_iCalCalendarStore(root, web.services.webServiceHost, wholeListOnly);
}

int CalGetData::parseXML() {
    return readLibrary(root->state, artists, albums, &root->artistPlays);
}

int CalGetData::UpdateShared() {
    return shareUserCalendar(web);
}
int CalGetData::UpdateiPhone() {
    return iPhoneSync_addAllArtists(web);
}

void CalGetData::shutDown() {
    // A save or an export asked for before the quit is done: once shutting down, nothing is. They
    // are done here rather than after a sharing request that may wait for the web. A refresh
    // rebuilding the list exports when it ends, and the next start exports what it left.
    const ActionQueue::Dropped dropped = actions.closeKeepingWrites();
    if (dropped.save) genPref();
    if (dropped.exportAsked) exportChosenShows(*this, true);
    root->state.setShutingDown(true);
    removeNotifyWindows();
    if (updateThreadHandle.joinable()) updateThreadHandle.join();
    actions.stop();
    shares.stop();
}

void CalGetData::resume() {
    actions.start();
    shares.start();
    root->state.setShutingDown(false);
}

bool CalGetData::fileExists(const char* path) {
    return vx::fileHasFirstLine(path);
}
