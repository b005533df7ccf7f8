#include "player/mouse_handlers.h"

#include <algorithm>

namespace vx::player {

void* MouseHandlers::install(VxMouseHandlerProc proc, void* userData) {
    if (!proc) return nullptr;
    uintptr_t id = nextId_++;
    handlers_.push_back({id, proc, userData});
    return reinterpret_cast<void*>(id);
}

bool MouseHandlers::remove(void* ref) {
    auto id = reinterpret_cast<uintptr_t>(ref);
    auto it = std::find_if(handlers_.begin(), handlers_.end(), [id](const Entry& e) { return e.id == id; });
    if (it == handlers_.end()) return false;
    handlers_.erase(it);
    return true;
}

void MouseHandlers::deliver(const VxMouseEvent& event) {
    std::vector<Entry> snapshot(handlers_.rbegin(), handlers_.rend());
    for (const Entry& e : snapshot) {
        bool stillInstalled =
            std::any_of(handlers_.begin(), handlers_.end(), [&](const Entry& h) { return h.id == e.id; });
        if (!stillInstalled) continue;
        if (e.proc(&event, e.userData) != kEventNotHandledErr) return;
    }
}

} // namespace vx::player
