#pragma once
// The lock of a record list. Its holder may take it again (so code holding a list lock may render
// a frame), and a holder that works through a list in runs can let a waiting thread in between
// two runs: a plain recursive mutex released and at once taken again would starve that thread.
#include <atomic>
#include <cstdint>
#include <mutex>

class ListMutex {
  public:
    ListMutex() = default;
    ListMutex(const ListMutex&) = delete;
    ListMutex& operator=(const ListMutex&) = delete;

    void lock();
    bool try_lock();
    void unlock();
    // Called by the holder between two runs: when another thread waits and this is the holder's
    // only hold, releases the lock until a waiter has had it, then takes it again. Returns whether
    // the lock was released (what it guards may have changed meanwhile).
    bool letWaiterIn();

  private:
    std::recursive_mutex mutex_;
    int depth_ = 0; // the holder's nested holds; touched only under the lock
    std::atomic<int> waiting_{0};
    std::atomic<std::uint64_t> waitedFor_{0}; // holds taken after a wait
};
