#pragma once
// The connection queue of a server: a fixed set of worker threads and a queue
// that never holds more than a fixed number of waiting connections. When it is
// full, enqueue serves the connection on the caller's thread, and tryEnqueue
// leaves it to the caller (the gate then answers 503 at once).
#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vxs {

class BoundedTaskQueue : public httplib::TaskQueue {
  public:
    BoundedTaskQueue(std::size_t threads, std::size_t maxWaiting);
    ~BoundedTaskQueue() override;

    void enqueue(std::function<void()> fn) override;
    // Queues fn unless the queue is full or stopping; false (fn untouched and not run) then.
    bool tryEnqueue(std::function<void()>&& fn);
    void shutdown() override;

  private:
    void work();

    std::size_t maxWaiting_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> waiting_;
    std::vector<std::thread> threads_;
    bool stopping_ = false;
};

} // namespace vxs
