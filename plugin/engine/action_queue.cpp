#include "plugin/engine/action_queue.h"

#include "platform/boundary_guard.h"

#include <algorithm>

ActionQueue::ActionQueue(std::function<void(bool idle)> idleChanged) : idleChanged_(std::move(idleChanged)) {}

void ActionQueue::post(Kind kind, Task task) {
    if (!task) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || stopping_) return;
    if (kind != Kind::Share) {
        auto same =
            std::find_if(waiting_.begin(), waiting_.end(), [kind](const Entry& e) { return e.kind == kind; });
        if (same != waiting_.end()) {
            same->task = std::move(task);
            return;
        }
    }
    waiting_.push_back({kind, std::move(task)});
    tellIdle();
    if (!worker_.joinable()) worker_ = vx::startGuardedThread("user action queue", [this] { run(); });
    changed_.notify_all();
}

void ActionQueue::drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return (waiting_.empty() && !busy_) || stopping_; });
}

ActionQueue::Dropped ActionQueue::closeKeepingWrites() {
    std::unique_lock<std::mutex> lock(mutex_);
    closed_ = true;
    const auto waits = [this](Kind kind) {
        return std::any_of(waiting_.begin(), waiting_.end(),
                           [kind](const Entry& e) { return e.kind == kind; });
    };
    const Dropped dropped{waits(Kind::Save), waits(Kind::Export)};
    waiting_.clear();
    tellIdle();
    changed_.wait(lock, [this] { return !busy_ || running_ == Kind::Share || stopping_; });
    return dropped;
}

void ActionQueue::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        waiting_.clear();
        changed_.notify_all();
    }
    if (worker_.joinable()) worker_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    busy_ = false;
    tellIdle();
}

void ActionQueue::start() {
    stop(); // joins a worker still finishing, so the new one is the only one
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
    closed_ = false;
}

void ActionQueue::tellIdle() {
    const bool idle = waiting_.empty() && !busy_;
    if (idle == toldIdle_) return;
    toldIdle_ = idle;
    if (idleChanged_) idleChanged_(idle);
}

void ActionQueue::run() {
    for (;;) {
        Entry entry;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            busy_ = false;
            tellIdle();
            changed_.notify_all();
            changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) return;
            entry = std::move(waiting_.front());
            waiting_.pop_front();
            busy_ = true;
            running_ = entry.kind;
        }
        // A failed task does not end the queue for the ones after it.
        vx::guardBoundary("user action", entry.task);
    }
}
