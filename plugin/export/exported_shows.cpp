#include "plugin/export/exported_shows.h"

#include <cstdio>
#include <cstring>

namespace {

// A record's text up to its terminator (or its whole field).
template <std::size_t N> std::string fieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

} // namespace

std::mutex& calendarExportLock() {
    static std::mutex lock;
    return lock;
}

void reportExportProblem(PluginData* root, const std::string& reason) {
    const std::string text = reason.empty() ? "" : "Your shows could not be exported to iCal:\n" + reason;
    if (!reason.empty()) std::fprintf(stderr, "Voxtrail: %s\n", text.c_str());
    root->state.setExportProblem(text.c_str());
}

std::vector<ExportedShow> exportedShows(PluginData* root) {
    std::vector<ExportedShow> shows;
    std::lock_guard<std::recursive_mutex> frame(PluginData::renderLock);
    SHOWLIST* list = root->concerts;
    if (!list) return shows;
    std::lock_guard<SHOWLIST> walk(*list);
    const bool all = root->state.getExportAllShows();
    shows.reserve(all ? list->size() : 0);
    for (const SHOWENTRY* s = list->head; s; s = s->next) {
        if (!all && !s->selected) continue;
        shows.push_back({fieldText(s->uid), fieldText(s->artist), fieldText(s->otherArtists),
                         fieldText(s->venue), fieldText(s->url), fieldText(s->location), s->year, s->month,
                         s->day, s->ticketsAvailable});
    }
    return shows;
}
