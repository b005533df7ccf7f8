#include "plugin/view/ticket_icons.h"

#include "platform/graphics/bundle_resources.h"
#include "platform/graphics/cg_image.h"
#include "plugin/view/cal_vis.h"

#include <mutex>
#include <string>

namespace {
const char* const kBundleIdentifier = "com.Voxtrail.Voxtrail";
const char* const kImageNames[2] = {"buyTicketsSmall.png", "buyTicketsLarge.png"};

// Process-wide: the folder is looked up until found, then each image is read once and kept.
// Frames are serialised already; the mutex only covers callers drawing outside a frame.
struct IconCache {
    std::mutex mutex;
    bool overridden = false;
    std::string folder;
    bool tried[2] = {false, false};
    CGImageRef images[2] = {nullptr, nullptr};
};

IconCache* gCache = nullptr;

IconCache& cache() {
    static IconCache* c = gCache = new IconCache;
    return *c;
}

CGImageRef iconImage(int which) {
    IconCache& c = cache();
    std::lock_guard<std::mutex> guard(c.mutex);
    if (c.folder.empty() && !c.overridden) c.folder = vx::ownBundleResourceFolder(kBundleIdentifier);
    if (c.folder.empty()) return nullptr;
    if (!c.tried[which]) {
        c.images[which] = CGImageCreateWithContentsOfFile((c.folder + "/" + kImageNames[which]).c_str());
        c.tried[which] = true;
    }
    return c.images[which];
}

void drawIcon(CGContextRef ctx, Rect* pane, int which, int top, int left, int bottom, int right) {
    if (!ctx || !pane) return;
    CGImageRef image = iconImage(which);
    if (!image) return;
    const Rect r = {static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
                    static_cast<int16_t>(right)};
    CGContextDrawImage(ctx, convertRect(r, pane), image);
}
} // namespace

void drawSmallTicketIcon(CGContextRef ctx, Rect* pane, int x, int y) {
    drawIcon(ctx, pane, 0, y + 2, x + 1, y + 12, x + 17);
}

void drawLargeTicketIcon(CGContextRef ctx, Rect* pane, int x, int y) {
    drawIcon(ctx, pane, 1, y, x + 1, y + 17, x + 33);
}

// Freed with the bundle's code, after the root's release has stopped every thread that draws;
// a function-local object would be destroyed before that at process exit.
__attribute__((destructor(101))) static void releaseTicketIconsAtUnload() {
    if (!gCache) return;
    for (CGImageRef& image : gCache->images) {
        CGImageRelease(image);
        image = nullptr;
    }
    delete gCache;
    gCache = nullptr;
}

void setTicketIconFolder(const char* folder) {
    IconCache& c = cache();
    std::lock_guard<std::mutex> guard(c.mutex);
    for (int i = 0; i < 2; ++i) {
        CGImageRelease(c.images[i]);
        c.images[i] = nullptr;
        c.tried[i] = false;
    }
    c.overridden = folder != nullptr;
    c.folder = folder ? folder : "";
}
