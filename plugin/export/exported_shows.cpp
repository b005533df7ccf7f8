#include "plugin/export/exported_shows.h"

#include <cstdio>

std::mutex& calendarExportLock() {
    static std::mutex lock;
    return lock;
}

void reportExportProblem(PluginData* root, const std::string& reason) {
    const std::string text = reason.empty() ? "" : "Your shows could not be exported to iCal:\n" + reason;
    if (!reason.empty()) std::fprintf(stderr, "Voxtrail: %s\n", text.c_str());
    root->state.setExportProblem(text.c_str());
}
