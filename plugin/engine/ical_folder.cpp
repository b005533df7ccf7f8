// The iCal file's folder of systems before 10.5, made ready before an export or removed once the
// export is turned off.
#include "platform/system.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/engine/startup_steps.h"
#include "plugin/export/exported_shows.h"
#include "plugin/export/ical_file.h"

#include <cerrno>
#include <cstring>

int CalGetData::checkForInitialiCalFiles() {
    ProtectedData& st = root->state;
    const float osVersion = st.getOSXVersion();
    char location[ProtectedData::iCalLocCapacity];
    st.getiCalLoc(location);
    // A home once run on 10.5 or later keeps that system's explanation (or "-") as its location:
    // not a path, so this system's default takes its place and is saved with the settings.
    if (osVersion < 10.5f && location[0] != '/') {
        st.setiCalLoc(defaultiCalLocation(osVersion, vx::homeFolder()).c_str());
        st.getiCalLoc(location);
    }
    const bool exportOn = st.getExportTo_iCal();
    // 10.3's iCal reads the file alone; the folder description came with 10.4.
    const bool withDescription = osVersion >= 10.35f;
    // Never while an export writes into the folder.
    std::lock_guard<std::mutex> exporting(calendarExportLock());
    errno = 0;
    const int prepared = prepareiCalFolder(location, exportOn, withDescription);
    if (prepared != 0 && exportOn) {
        const std::string path = location;
        const std::string why = errno ? std::string(" (") + std::strerror(errno) + ")." : ".";
        reportExportProblem(root,
                            "the folder " + path.substr(0, path.rfind('/') + 1) + " could not be made" + why);
    }
    return prepared;
}
