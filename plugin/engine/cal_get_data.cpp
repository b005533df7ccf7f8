#include "plugin/engine/cal_get_data.h"

#include "plugin/engine/refresh_steps.h"
#include "plugin/host/voxtrail_class.h"
#include "plugin/model/boundary_guard.h"
#include "plugin/model/fixed_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

namespace {

constexpr int32_t kOneWeek = 604800;

struct UpdateThreadArgs {
    VoxtrailClass* root;
    unsigned long mask;
};

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

} // namespace

CalGetData::CalGetData(VoxtrailClass* owner) : root(owner) {
    // The state store is built after the engine, with forceUpdate and shutingDown already false,
    // so the engine does not touch it here.
}

CalGetData::~CalGetData() {
    if (updateThreadHandle.joinable()) updateThreadHandle.join();
    std::free(fetchPage);
}

bool CalGetData::stopRequested() { return root->state.getForceUpdate() || root->state.getShutingDown(); }

int CalGetData::suggestUpdateShowList(unsigned long mask, bool force) {
    ProtectedData& st = root->state;
    if (!force) {
        const bool changed = placeChanged(st);
        const int32_t now = static_cast<int32_t>(std::time(nullptr));
        const int32_t due = nextUpdateTime.load();
        if (due != 0 && now > due) nextUpdateTime = now + kOneWeek;
        else if (!changed) return 0;
    }
    st.setForceUpdate(true);
    if (updateThreadHandle.joinable()) {
        st.setRestartingSearch(true);
        root->view.Render();
        updateThreadHandle.join();
    }
    st.setRestartingSearch(false);
    root->view.Render();
    st.setForceUpdate(false);
    updateThreadHandle = std::thread(updateThread, new UpdateThreadArgs{root, mask});
    return 0;
}

void* CalGetData::updateThread(void* arg) {
    auto* args = static_cast<UpdateThreadArgs*>(arg);
    VoxtrailClass* root = args->root;
    const unsigned long mask = args->mask;
    delete args;
    // An exception ends the refresh as a failed step does: nothing saved, no step left running.
    if (vx::guardBoundary("update thread", [&] { root->engine.performUpdate(mask); }) != noErr)
        vx::guardBoundary("update thread", [&] {
            root->state.clearUpdatingSteps();
            root->view.Render();
        });
    return nullptr;
}

void CalGetData::performUpdate(unsigned long mask) {
    ProtectedData& st = root->state;
    st.setForceUpdate(false);
    st.setValid_internet_connection(true);
    if (st.getShutingDown()) return;

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
            root->view.Render();
            return;
        }
    }
    if ((mask & kUpdateiPhone) && run(kUpdateiPhone, &CalGetData::UpdateiPhone) != 0) {
        st.setUpdatingiPhone(false);
        root->view.Render();
    }
    if (st.getValid_internet_connection()) genPref();
}

int CalGetData::UpdateConcerts() {
    ProtectedData& st = root->state;
    st.setUpdatingConcerts(true);
    st.setUpdatingProgress(0.0);
    root->view.Render();

    if (useIpLocation.exchange(false)) {
        if (ipLoc(root) != 0) return 1;
    } else {
        char text[256];
        st.getCurCityDisplay(text);
        st.setCurCity(text);
        st.getCurStateDisplay(text);
        st.setCurState(text);
        st.getCurSearchRadiusDisplay(text);
        st.setCurSearchRadius(readNumber(text));
    }
    if (stopRequested()) return 1;

    latLongLoc(root);
    if (stopRequested()) return 1;

    {
        // The list leaving the "previous" slot is freed under the render lock, never while a
        // frame may be drawing it.
        std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
        SHOWLIST* old = root->previousConcerts;
        root->previousConcerts = root->concerts;
        root->concerts = new SHOWLIST;
        delete old;
    }
    artistInfos.clear();
    if (stopRequested()) return 1;
    artistInfos.clear();

    genericParser(root);
    if (stopRequested()) return 1;

    if (osVersion < 10.5f && checkForInitialiCalFiles() != 0) {
        st.setUpdatingConcerts(false);
        root->view.Render();
        return 0;
    }
    if (st.getExportTo_iCal()) {
        if (osVersion < 10.5f) performExportTo_iCal(root);
        else performExportTo_iCalCalendarStore(root);
    }
    st.setUpdatingConcerts(false);
    root->view.Render();
    return 0;
}

int CalGetData::UpdateShared() { return shareUserCalendar(root); }
int CalGetData::UpdateiPhone() { return iPhoneSync_addAllArtists(root); }

void CalGetData::shutDown() {
    root->state.setShutingDown(true);
    removeNotificationWindows(root);
    if (updateThreadHandle.joinable()) updateThreadHandle.join();
}

bool CalGetData::fileExists(const char* path) {
    if (!path || !*path) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string first;
    std::getline(in, first);
    if (!first.empty() && first.back() == '\r') first.pop_back();
    return !first.empty();
}
