#include "plugin/host/host_handler.h"

#include "platform/host_services.h"
#include "plugin/host/voxtrail_class.h"
#include "plugin/view/mouse_input.h"

namespace {
// The installed handler's reference, passed back to the host on "hide".
void* installedHandler = nullptr;
} // namespace

void installMouseHandler() {
    const VxHostServices* host = vx::hostServices();
    if (!host || !host->activeNonFloatingWindow || !host->installMouseHandler) return;
    // A "show" without a "hide" in between must not stack a second handler.
    removeMouseHandler();
    void* window = host->activeNonFloatingWindow();
    if (window && gVoxtrail)
        installedHandler = host->installMouseHandler(window, MonitorHandler, &gVoxtrail->view);
}

void removeMouseHandler() {
    if (!installedHandler) return;
    const VxHostServices* host = vx::hostServices();
    if (host && host->removeMouseHandler) host->removeMouseHandler(installedHandler);
    installedHandler = nullptr;
}
