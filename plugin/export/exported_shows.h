#pragma once
// What both calendar exports share: the shows they write and the lock that lets one export run
// at a time, so the update thread and a secondary click never write one file or calendar together.
#include "plugin/model/plugin_data.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// Taken for a whole export, before the render lock and the list locks.
std::mutex& calendarExportLock();

// Tells the user in the status line why the export failed; an empty reason clears it.
void reportExportProblem(PluginData* root, const std::string& reason);

// What an export writes of one show, copied so that the event texts are built and written with
// no lock held that a frame needs. Its texts live in the ExportedShows that holds it.
struct ExportedShow {
    std::string_view uid, artist, otherArtists, venue, url, location;
    int32_t year = 0, month = 0, day = 0;
    bool ticketsAvailable = false;
    int32_t sequence = 0; // changes since the first export
    bool cancelled = false;
    int hour = -1, minute = 0; // the start on the venue's clock; hour -1 when the show has none
    std::string_view zone;     // the venue's zone; empty when not known
};

// The shows of `concerts` in list order that are exported: the chosen ones, or every one when
// all shows are exported. Their texts are copied into a few large blocks rather than a string
// each, so the copy, made under the render lock, costs little more than reading them.
class ExportedShows {
  public:
    ExportedShows() = default;
    ExportedShows(const ExportedShows&) = delete;
    ExportedShows& operator=(const ExportedShows&) = delete;
    ExportedShows(ExportedShows&&) = default;
    ExportedShows& operator=(ExportedShows&&) = default;

    // Replaces the shows with root's, keeping the room the last copy took. Holds the render lock
    // (a refresh may replace the list) and the list's lock only while copying. With wholeListOnly,
    // copies nothing and returns false while a refresh rebuilds the list: told under the render
    // lock, which a refresh takes to start its new list, so no refresh can begin one meanwhile.
    bool copyFrom(PluginData* root, bool wholeListOnly = false);

    const ExportedShow* begin() const { return shows_.data(); }
    const ExportedShow* end() const { return shows_.data() + shows_.size(); }
    std::size_t size() const { return shows_.size(); }

  private:
    std::string_view copyText(const char* field, std::size_t capacity);

    std::vector<ExportedShow> shows_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t block_ = 0, used_ = 0; // the block being filled, and how much of it
};

ExportedShows exportedShows(PluginData* root);
