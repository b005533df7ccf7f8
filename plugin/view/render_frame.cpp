#include "plugin/view/render_frame.h"

#include "plugin/view/draw_calendar.h"
#include "plugin/view/visual_plugin_data.h"

#include <mutex>

namespace {
// Takes the lists in the one order every thread uses, and gives them back in the same order.
class ListLocks {
  public:
    explicit ListLocks(const CalendarData& d) : d(d) {
        if (d.concerts) d.concerts->lock();
        if (d.friendShows) d.friendShows->lock();
        if (d.albumReleases) d.albumReleases->lock();
        if (d.friends) d.friends->lock();
    }
    ~ListLocks() {
        if (d.concerts) d.concerts->unlock();
        if (d.friendShows) d.friendShows->unlock();
        if (d.albumReleases) d.albumReleases->unlock();
        if (d.friends) d.friends->unlock();
    }
    ListLocks(const ListLocks&) = delete;
    ListLocks& operator=(const ListLocks&) = delete;

  private:
    const CalendarData& d;
};

// Restores the thread's current port and world when the frame ends, however it ends.
class SavedGWorld {
  public:
    SavedGWorld() { GetGWorld(&port, &world); }
    ~SavedGWorld() { SetGWorld(port, world); }
    SavedGWorld(const SavedGWorld&) = delete;
    SavedGWorld& operator=(const SavedGWorld&) = delete;

  private:
    CGrafPtr port = nullptr;
    GWorldPtr world = nullptr;
};
} // namespace

void renderCalendarFrame(const CalendarData& data) {
    std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
    VisualPluginData* host = CalVis::visualPluginData;
    if (!host || !host->destPort || !host->offscreen || !data.view || !data.state) return;
    Rect pane = host->destRect;

    SavedGWorld saved;
    SetGWorld(nullptr, host->offscreen);
    CGContextRef ctx = nullptr;
    if (QDBeginCGContext(host->offscreen, &ctx) != noErr) return;
    {
        ListLocks locks(data);
        drawCalendarFrame(ctx, &pane, data);
    }
    QDEndCGContext(host->offscreen, &ctx);

    if (!host->offscreen) return;
    Rect source = pane;
    source.bottom = static_cast<int16_t>(source.bottom - source.top);
    source.right = static_cast<int16_t>(source.right - source.left);
    source.top = source.left = 0;
    SetGWorld(host->destPort, nullptr);
    CopyBits(host->offscreen, &source, host->destPort, &pane);
}
