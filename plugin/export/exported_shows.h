#pragma once
// What both calendar exports share: the shows they write and the lock that lets one export run
// at a time, so the update thread and a secondary click never write one file or calendar together.
#include "plugin/model/plugin_data.h"

#include <mutex>
#include <string>

// Taken for a whole export, before the render lock and the list locks.
std::mutex& calendarExportLock();

// Tells the user in the status line why the export failed; an empty reason clears it.
void reportExportProblem(PluginData* root, const std::string& reason);

// Calls visit(const SHOWENTRY&) for each show of `concerts` in list order that is exported: the
// chosen ones, or every one when all shows are exported. The render lock keeps the list in its
// slot (a refresh may replace it) and the list's lock keeps it whole during the walk.
template <typename Visit> void forEachExportedShow(PluginData* root, Visit&& visit) {
    std::lock_guard<std::recursive_mutex> frame(PluginData::renderLock);
    SHOWLIST* list = root->concerts;
    if (!list) return;
    std::lock_guard<SHOWLIST> walk(*list);
    const bool all = root->state.getExportAllShows();
    for (const SHOWENTRY* show = list->head; show; show = show->next)
        if (all || show->selected) visit(*show);
}
