#include "plugin/engine/click_export_queue.h"

#include "platform/boundary_guard.h"

void ClickExportQueue::post(std::function<void()> exportShows) {
    if (!exportShows) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    pending_ = std::move(exportShows);
    if (!worker_.joinable()) worker_ = vx::startGuardedThread("click export queue", [this] { run(); });
    changed_.notify_all();
}

void ClickExportQueue::drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return (!pending_ && !busy_) || stopping_; });
}

void ClickExportQueue::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        pending_ = nullptr;
        changed_.notify_all();
    }
    if (worker_.joinable()) worker_.join();
}

void ClickExportQueue::run() {
    for (;;) {
        std::function<void()> exportShows;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            busy_ = false;
            changed_.notify_all();
            changed_.wait(lock, [this] { return stopping_ || pending_; });
            if (stopping_) return;
            exportShows = std::move(pending_);
            pending_ = nullptr;
            busy_ = true;
        }
        // A failed export does not end the queue for the clicks after it.
        vx::guardBoundary("click export", exportShows);
    }
}
