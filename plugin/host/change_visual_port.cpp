#include "plugin/host/host_handler.h"

#include "plugin/view/cal_vis.h"

#include <mutex>

namespace {
bool sameRect(const Rect& a, const Rect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}
} // namespace

OSStatus ChangeVisualPort(VisualPluginData* data, CGrafPtr port, const Rect* rect) {
    if (!data) return paramErr;
    // A frame drawn on the update thread reads the port, the rectangle and the buffer.
    std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
    if (!port) {
        data->destPort = nullptr;
        return noErr;
    }
    if (data->destPort && data->offscreen && rect && sameRect(*rect, data->destRect)) {
        data->destPort = port;
        return noErr;
    }
    OSStatus status = noErr;
    const Rect bounds = rect ? *rect : data->destRect;
    CGrafPtr savedPort = nullptr;
    GWorldPtr savedWorld = nullptr;
    GetGWorld(&savedPort, &savedWorld);
    GWorldPtr world = nullptr;
    status = NewGWorld(&world, 32, &bounds, useTempMem);
    if (status == noErr) {
        LockPixels(world);
        PaintGWorld(world, 0xFF000000u);
        SetGWorld(savedPort, savedWorld);
        DisposeGWorld(data->offscreen);
        data->offscreen = world;
        data->destPort = port;
    } else {
        DisposeGWorld(data->offscreen);
        data->offscreen = nullptr;
        data->destPort = nullptr;
    }
    if (rect) data->destRect = *rect;
    return status;
}
