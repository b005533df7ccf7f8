#pragma once
// Work that plug-ins post to the host thread from any thread.
#include <functional>
#include <mutex>
#include <vector>

namespace vx::player {

class HostThreadQueue {
  public:
    using Fn = void (*)(void*);

    // wake is called (from the posting thread, never waiting) when the queue stops being empty.
    explicit HostThreadQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

    void post(Fn fn, void* ctx);
    // On the host thread: runs what was posted, including what those calls post; returns the count.
    size_t runPending();
    size_t pendingCount() const;

  private:
    struct Item {
        Fn fn;
        void* ctx;
    };
    mutable std::mutex mutex_;
    std::vector<Item> items_;
    std::function<void()> wake_;
};

} // namespace vx::player
