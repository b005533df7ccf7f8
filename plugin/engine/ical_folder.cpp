// The iCal file's folder of systems before 10.5, made ready before an export or removed once the
// export is turned off.
#include "plugin/engine/cal_get_data.h"
#include "plugin/export/exported_shows.h"
#include "plugin/export/ical_file.h"

int CalGetData::checkForInitialiCalFiles() {
    ProtectedData& st = root->state;
    char location[ProtectedData::iCalLocCapacity];
    st.getiCalLoc(location);
    const bool exportOn = st.getExportTo_iCal();
    // 10.3's iCal reads the file alone; the folder description came with 10.4.
    const bool withDescription = osVersion >= 10.35f;
    // Never while an export writes into the folder.
    std::lock_guard<std::mutex> exporting(calendarExportLock());
    return prepareiCalFolder(location, exportOn, withDescription);
}
