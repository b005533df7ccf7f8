#include "plugin/model/list_mutex.h"

#include <chrono>
#include <thread>

void ListMutex::lock() {
    if (!mutex_.try_lock()) {
        waiting_.fetch_add(1);
        mutex_.lock();
        waiting_.fetch_sub(1);
        waitedFor_.fetch_add(1);
    }
    ++depth_;
}

bool ListMutex::try_lock() {
    if (!mutex_.try_lock()) return false;
    ++depth_;
    return true;
}

void ListMutex::unlock() {
    --depth_;
    mutex_.unlock();
}

bool ListMutex::letWaiterIn() {
    if (waiting_.load() == 0 || depth_ != 1) return false;
    const std::uint64_t before = waitedFor_.load();
    unlock();
    // A waiter blocked on the lock takes it as soon as it runs; the bound only keeps a holder
    // from waiting on a thread that is never scheduled.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
    while (waitedFor_.load() == before && waiting_.load() > 0 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
    lock();
    return true;
}
