#include "service/bounded_task_queue.h"

namespace vxs {

BoundedTaskQueue::BoundedTaskQueue(std::size_t threads, std::size_t maxWaiting) : maxWaiting_(maxWaiting) {
    for (std::size_t i = 0; i < threads; ++i)
        threads_.emplace_back([this] { work(); });
}

BoundedTaskQueue::~BoundedTaskQueue() {
    shutdown();
}

void BoundedTaskQueue::enqueue(std::function<void()> fn) {
    // Full (or stopping): the task still owns a socket that must be served and closed.
    if (!tryEnqueue(std::move(fn))) fn();
}

bool BoundedTaskQueue::tryEnqueue(std::function<void()>&& fn) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ || waiting_.size() >= maxWaiting_) return false;
        waiting_.push_back(std::move(fn));
    }
    // Woken after the lock is let go, so the worker does not wake only to wait for it.
    ready_.notify_one();
    return true;
}

void BoundedTaskQueue::shutdown() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ && threads_.empty()) return;
        stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& t : threads_)
        if (t.joinable()) t.join();
    threads_.clear();
}

void BoundedTaskQueue::work() {
    for (;;) {
        std::function<void()> fn;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            // Waiting connections are still served on the way out, so none is left open.
            if (waiting_.empty()) return;
            fn = std::move(waiting_.front());
            waiting_.pop_front();
        }
        fn();
    }
}

} // namespace vxs
