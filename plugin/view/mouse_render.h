#pragma once
// Frames asked for by the mouse handlers.
#include "plugin/host/voxtrail_class.h"

#include <mutex>

// Draws a frame from a mouse handler. The render lock is recursive, so a handler may call this
// while it already holds the lock for its own reading of the lists.
inline void renderLocked(VoxtrailClass* root) {
    std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
    root->view.Render();
}
