// The host window's mouse events: pane coordinates, the host version's offset, dispatch.
#include "plugin/view/mouse_input.h"

#include "platform/boundary_guard.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/view/cal_vis.h"
#include "plugin/view/visual_plugin_data.h"

#include <mutex>

namespace {

// Hosts from 8.1 up to (not including) 10.0 report the pointer this many pixels too high.
constexpr int32_t kHostMouseOffset = 22;

bool reportsPointerTooHigh(float hostVersion) {
    return hostVersion >= 8.1f && hostVersion < 10.0f;
}

bool isSecondaryClick(const VxMouseEvent& event) {
    return event.button == kEventMouseButtonSecondary ||
           (event.button == kEventMouseButtonPrimary && (event.modifiers & controlKey) != 0);
}

// Stores the pointer in pane coordinates; false when there is no pane to hit.
bool storePointer(CalVis* vis, const VxMouseEvent& event) {
    std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
    const VisualPluginData* data = CalVis::visualPluginData;
    if (!data) return false;
    CalVis& view = *vis;
    view.mouseX = int32_t{event.location.h} - data->destRect.left;
    view.mouseY = int32_t{event.location.v} - data->destRect.top;
    if (reportsPointerTooHigh(vis->root->state.getiTunesVersion())) view.mouseY += kHostMouseOffset;
    return true;
}

OSStatus dispatchMouseEvent(const VxMouseEvent* event, CalVis* vis) {
    if (!event || !vis || !storePointer(vis, *event)) return eventNotHandledErr;
    switch (event->kind) {
    case kEventMouseDown:
        handleLeftMouseClicks(vis);
        break;
    case kEventMouseUp:
        if (isSecondaryClick(*event))
            handleRightMouseClicks(vis);
        else
            handleMouseUp(vis);
        break;
    case kEventMouseMoved:
    case kEventMouseDragged:
        handleMouseMoveEvents(vis);
        break;
    case kEventMouseWheelMoved:
        handleMouseWheelMoved(vis, event->wheelDelta);
        break;
    default:
        break;
    }
    return eventNotHandledErr;
}

} // namespace

OSStatus MonitorHandler(const VxMouseEvent* event, void* userData) {
    return vx::guardBoundary("mouse handler",
                             [&] { return dispatchMouseEvent(event, static_cast<CalVis*>(userData)); });
}
