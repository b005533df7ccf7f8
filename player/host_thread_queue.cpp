#include "player/host_thread_queue.h"

namespace vx::player {

void HostThreadQueue::post(Fn fn, void* ctx) {
    if (!fn) return;
    bool wasEmpty;
    {
        std::lock_guard lock(mutex_);
        wasEmpty = items_.empty();
        items_.push_back({fn, ctx});
    }
    if (wasEmpty && wake_) wake_();
}

size_t HostThreadQueue::runPending() {
    size_t ran = 0;
    for (;;) {
        std::vector<Item> batch;
        {
            std::lock_guard lock(mutex_);
            batch.swap(items_);
        }
        if (batch.empty()) return ran;
        for (const Item& item : batch)
            item.fn(item.ctx);
        ran += batch.size();
    }
}

size_t HostThreadQueue::pendingCount() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

} // namespace vx::player
