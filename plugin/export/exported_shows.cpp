#include "plugin/export/exported_shows.h"

#include "plugin/model/show_time.h"

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

// Each block holds many shows' texts; a show's texts never span two blocks.
constexpr std::size_t kBlockSize = 64 * 1024;
constexpr std::size_t kMostShowText = sizeof(SHOWENTRY::uid) + sizeof(SHOWENTRY::artist) +
                                      sizeof(SHOWENTRY::otherArtists) + sizeof(SHOWENTRY::venue) +
                                      sizeof(SHOWENTRY::url) + sizeof(SHOWENTRY::location) +
                                      sizeof(SHOWENTRY::timeZone);
static_assert(kMostShowText <= kBlockSize);

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

std::string_view ExportedShows::copyText(const char* field, std::size_t capacity) {
    // A record's text up to its terminator (or its whole field).
    const std::size_t size = strnlen(field, capacity);
    char* at = blocks_[block_].get() + used_;
    std::memcpy(at, field, size);
    used_ += size;
    return {at, size};
}

bool ExportedShows::copyFrom(PluginData* root, bool wholeListOnly) {
    shows_.clear();
    block_ = used_ = 0;
    std::lock_guard<std::recursive_mutex> frame(PluginData::renderLock);
    if (wholeListOnly && root->state.getUpdatingConcerts()) return false;
    SHOWLIST* list = root->concerts;
    if (!list) return true;
    std::lock_guard<SHOWLIST> walk(*list);
    const bool all = root->state.getExportAllShows();
    shows_.reserve(all ? list->size() : 0);
    if (blocks_.empty()) blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
    for (const SHOWENTRY* s = list->head; s; s = s->next) {
        if (!all && !s->selected) continue;
        if (kBlockSize - used_ < kMostShowText) {
            if (++block_ == blocks_.size())
                blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
            used_ = 0;
        }
        ExportedShow& e = shows_.emplace_back();
        e.uid = copyText(s->uid, sizeof s->uid);
        e.artist = copyText(s->artist, sizeof s->artist);
        e.otherArtists = copyText(s->otherArtists, sizeof s->otherArtists);
        e.venue = copyText(s->venue, sizeof s->venue);
        e.url = copyText(s->url, sizeof s->url);
        e.location = copyText(s->location, sizeof s->location);
        e.year = s->year, e.month = s->month, e.day = s->day;
        e.ticketsAvailable = s->ticketsAvailable;
        e.sequence = s->sequence;
        e.cancelled = s->cancelled;
        if (vx::showStartTime(*s, e.hour, e.minute)) e.zone = copyText(s->timeZone, sizeof s->timeZone);
    }
    // A list much shorter than the last gives back the room it no longer needs.
    if (blocks_.size() > 2 * (block_ + 1)) blocks_.resize(block_ + 1);
    if (shows_.capacity() > 4 * shows_.size()) shows_.shrink_to_fit();
    return true;
}

ExportedShows exportedShows(PluginData* root) {
    ExportedShows shows;
    shows.copyFrom(root);
    return shows;
}
