#pragma once
// The door between accepting a connection and serving it: a connection waits here, costing one
// entry in an epoll set and no thread, until its whole request head has arrived; only then does a
// worker take it, and the head is already there to read. A head that breaks a limit is refused
// before it is buffered (414 for the request line, 431 for the header lines or size), one that
// announces a body gets 413 (every route is a GET, so no worker ever waits for a body), one that
// misses its deadline gets 408, and past the waiting limit, or when every worker is busy and the
// queue for them is full, new connections get 503 at once. Slow clients therefore cannot occupy
// the workers, and a worker's whole exchange has one deadline counted from the accept.
#include "service/bounded_task_queue.h"

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace vxs {

struct GateLimits {
    std::size_t maxRequestLine = 4096 + 64; // the target's own limit and room for method and version
    std::size_t maxHeaderLines = 100;
    std::size_t maxHeadBytes = 16 * 1024;
    std::chrono::milliseconds headDeadline{5000};     // from accept to the head's blank line
    std::chrono::milliseconds requestDeadline{10000}; // from accept to the reply's last byte
    std::chrono::milliseconds drainTime{2000};        // a refused client's sending, read and dropped
    std::chrono::milliseconds drainIdle{250};         // ... until it has been quiet this long
    std::size_t maxWaiting = 1024;
    std::size_t workers = 8;
    std::size_t maxQueued = 256; // complete heads waiting for a worker
};

class ConnectionGate {
  public:
    // serve(fd, deadline) handles a connection whose head has arrived, and closes it; the
    // exchange is to end by the deadline.
    using Serve = std::function<void(int, std::chrono::steady_clock::time_point)>;
    ConnectionGate(GateLimits limits, Serve serve);
    ~ConnectionGate();
    ConnectionGate(const ConnectionGate&) = delete;
    ConnectionGate& operator=(const ConnectionGate&) = delete;

    // Takes over an accepted socket; safe from any thread.
    void admit(int fd);
    // Closes what still waits, serves what is ready, and joins the threads.
    void shutdown();

    // What the gate makes of the bytes that have arrived so far.
    enum class Head { incomplete, complete, lineTooLong, tooManyHeaders, hasBody };
    static Head judge(const char* bytes, std::size_t length, const GateLimits& limits);

  private:
    void watch();
    void examine(int fd, bool peerDone);
    void drain(int fd);
    void refuse(int fd, int status, const char* reason);
    void forget(int fd);

    GateLimits limits_;
    Serve serve_;
    int epoll_ = -1;
    int wake_ = -1; // an eventfd: admitted sockets or shutdown
    std::mutex mutex_;
    std::vector<int> admitted_;
    bool stopping_ = false;
    struct Waiting {
        std::chrono::steady_clock::time_point deadline;
        bool draining = false; // refused: what the client still sends is read and dropped
        std::chrono::steady_clock::time_point drainEnd{};
        std::chrono::steady_clock::time_point accepted{};
    };
    std::map<int, Waiting> waiting_; // gate thread only
    BoundedTaskQueue workers_;
    std::thread thread_;
};

// httplib hands every accepted socket to its task queue; this one passes it straight on, since the
// gate, not a queue of threads, decides when it is served.
class InlineTaskQueue : public httplib::TaskQueue {
  public:
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override {}
};

// An httplib server whose accepted sockets go through a gate; a worker then serves the one request
// of a connection whose head has arrived.
class GatedServer : public httplib::Server {
  public:
    explicit GatedServer(GateLimits limits = {});
    ~GatedServer() override;
    void closeGate() { gate_.shutdown(); }
    // After binding: lets the kernel hold a burst of connections while the gate takes them in
    // (the library listens with a backlog of 5, and a refused SYN costs a client a second).
    void widenBacklog();

  private:
    bool process_and_close_socket(socket_t sock) override;
    void serveReady(int fd, std::chrono::steady_clock::time_point deadline);

    ConnectionGate gate_;
};

} // namespace vxs
