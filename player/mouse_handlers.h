#pragma once
// The mouse handlers plug-ins install on the host window, called as the window's event target
// calls them: newest first, until one handles the event.
#include "platform/visual_plugin_api.h"

#include <cstdint>
#include <vector>

namespace vx::player {

// A handler that lets the event go on to the next one (and to the host).
constexpr OSStatus kEventNotHandledErr = -9874;

class MouseHandlers {
  public:
    // A reference for remove(); never reused, so a stale reference removes nothing.
    void* install(VxMouseHandlerProc proc, void* userData);
    // False when ref is not installed.
    bool remove(void* ref);
    // Handlers may install or remove handlers while being called; a removed one is not called.
    void deliver(const VxMouseEvent& event);
    size_t size() const { return handlers_.size(); }
    void clear() { handlers_.clear(); }

  private:
    struct Entry {
        uintptr_t id;
        VxMouseHandlerProc proc;
        void* userData;
    };
    std::vector<Entry> handlers_; // oldest first
    uintptr_t nextId_ = 1;
};

} // namespace vx::player
