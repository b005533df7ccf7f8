#pragma once
// Frames asked for by the mouse handlers.
#include "plugin/host/voxtrail_class.h"

#include <mutex>

// Draws a frame with the render lock already held: the frame picks up the root's list pointers
// before it takes the lock itself, and the update thread may replace (and free) those lists
// in between.
inline void renderLocked(VoxtrailClass* root) {
    std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
    root->view.Render();
}
