#pragma once
// What both calendar exports share: the shows they write and the lock that lets one export run
// at a time, so the update thread and a secondary click never write one file or calendar together.
#include "plugin/model/plugin_data.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Taken for a whole export, before the render lock and the list locks.
std::mutex& calendarExportLock();

// Tells the user in the status line why the export failed; an empty reason clears it.
void reportExportProblem(PluginData* root, const std::string& reason);

// What an export writes of one show, copied so that the event texts are built and written with
// no lock held that a frame needs.
struct ExportedShow {
    std::string uid, artist, otherArtists, venue, url, location;
    int32_t year = 0, month = 0, day = 0;
    bool ticketsAvailable = false;
};

// The shows of `concerts` in list order that are exported: the chosen ones, or every one when
// all shows are exported. Holds the render lock (a refresh may replace the list) and the list's
// lock only while copying.
std::vector<ExportedShow> exportedShows(PluginData* root);
