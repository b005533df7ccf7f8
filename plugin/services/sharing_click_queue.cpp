#include "plugin/services/sharing_click_queue.h"

#include "platform/boundary_guard.h"
#include "plugin/services/calendar_sharing.h"

#include <chrono>

void SharingClickQueue::post(std::unique_ptr<SHOWENTRY> show) {
    if (!show) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    queue_.push_back(std::move(show));
    if (!worker_.joinable()) worker_ = vx::startGuardedThread("sharing click queue", [this] { run(); });
    changed_.notify_all();
}

void SharingClickQueue::drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return (queue_.empty() && !busy_) || stopping_; });
}

void SharingClickQueue::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        queue_.clear();
        changed_.notify_all();
    }
    if (worker_.joinable()) worker_.join();
}

void SharingClickQueue::restart() {
    stop(); // joins a worker still finishing, so the new one is the only one
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
}

void SharingClickQueue::run() {
    for (;;) {
        std::unique_ptr<SHOWENTRY> show;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            busy_ = false;
            changed_.notify_all();
            changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            show = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
        }
        // One show that fails to go does not end the queue for the clicks after it.
        vx::guardBoundary("sharing click", [&] {
            send(*show);
            web_.root->redraw();
        });
    }
}

void SharingClickQueue::send(const SHOWENTRY& show) {
    ProtectedData& st = web_.root->state;
    for (;;) {
        bool stopped = false;
        shareSingleShow(web_, &show, show.selected, &stopped);
        if (!stopped || st.getShutingDown()) return;
        // A newer refresh broke the fetch off while it started: send again once it runs.
        while (st.getForceUpdate() && !st.getShutingDown())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
