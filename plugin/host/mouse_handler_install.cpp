#include "plugin/host/host_handler.h"

#include "platform/host_services.h"
#include "plugin/host/voxtrail_class.h"
#include "plugin/view/mouse_input.h"

namespace {
// The installed handler's reference, passed back to the host on "hide".
void* installedHandler = nullptr;
} // namespace

void installMouseHandler() {
    // A "show" without a "hide" in between must not stack a second handler.
    removeMouseHandler();
    void* window = vx::hostActiveNonFloatingWindow();
    if (window && gVoxtrail)
        installedHandler = vx::hostInstallMouseHandler(window, vx::guarded<"mouse handler", MonitorHandler>(),
                                                       &gVoxtrail->view);
}

void removeMouseHandler() {
    if (!installedHandler) return;
    vx::hostRemoveMouseHandler(installedHandler);
    installedHandler = nullptr;
}
