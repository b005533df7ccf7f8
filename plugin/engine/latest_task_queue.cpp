#include "plugin/engine/latest_task_queue.h"

#include "platform/boundary_guard.h"

void LatestTaskQueue::post(std::function<void()> task) {
    if (!task) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    pending_ = std::move(task);
    if (!worker_.joinable()) worker_ = vx::startGuardedThread(threadName_.c_str(), [this] { run(); });
    changed_.notify_all();
}

void LatestTaskQueue::drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return (!pending_ && !busy_) || stopping_; });
}

void LatestTaskQueue::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        pending_ = nullptr;
        changed_.notify_all();
    }
    if (worker_.joinable()) worker_.join();
}

void LatestTaskQueue::restart() {
    stop(); // joins a worker still finishing, so the new one is the only one
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
}

void LatestTaskQueue::run() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            busy_ = false;
            changed_.notify_all();
            changed_.wait(lock, [this] { return stopping_ || pending_; });
            if (stopping_) return;
            task = std::move(pending_);
            pending_ = nullptr;
            busy_ = true;
        }
        // A failed task does not end the queue for the ones after it.
        vx::guardBoundary(threadName_.c_str(), task);
    }
}
