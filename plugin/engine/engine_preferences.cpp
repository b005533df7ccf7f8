// The engine's side of the preferences file: what it tells the user about a file it read.
#include "plugin/engine/cal_get_data.h"
#include "plugin/engine/found_place.h"
#include "plugin/engine/startup_steps.h"
#include "plugin/prefsfile/preferences_file.h"

#include <mutex>
#include <string>

bool CalGetData::genPref() {
    return vx::savePreferences(root, nextUpdateTime);
}

int CalGetData::loadPrefs() {
    const vx::PreferencesRead read = vx::loadPreferences(root, {nextUpdateTime, useIpLocation});
    ProtectedData& st = root->state;
    if (!read.existed) {
        if (read.notRegular) {
            char path[1024];
            st.getVoxtrailPref(path);
            reportStartupProblem(std::string("The preferences file \"") + path +
                                 "\" is not a regular file, so it was not read; it is replaced when the "
                                 "settings are next saved.");
        }
        return 0;
    }
    if (root->concerts) {
        // Shows saved without a place (by older versions) were found for the file's place.
        std::lock_guard<ListMutex> hold(root->concerts->mutex);
        vx::noteFoundPlace(*root->concerts, vx::currentSearchPlace(st), true);
    }
    if (read.tripsDamaged)
        reportStartupProblem("The trips saved in the preferences could not be read. Add them again in the "
                             "Places tab of the preferences.");
    return -1;
}
