#pragma once
// The door between accepting a connection and serving it, and again between a worker's reply and
// the client: a connection waits here, costing one entry in an epoll set and no thread, until its
// whole request head has arrived; only then does a worker take it, with the head already there to
// read. The worker writes its reply into memory and hands it back, and the gate sends it as fast
// as the client takes it, so a client that reads slowly, or never, holds bytes but no worker.
// A head that breaks a limit is refused before it is buffered (414 for the request line, 431 for
// the header lines or size), one that announces a body gets 413 (every route is a GET, so no
// worker ever waits for a body), one that misses its deadline gets 408.
// One client (an IPv4 address, or an IPv6 /64) has at most a few connections here at once, at
// most half the workers, and a bounded share of the replies waiting to be read; past the first
// limit, past the waiting limit, or when the queue for the workers is full, a new connection gets
// 503 at once, and a request whose client is over its share waits its turn here.
#include "service/bounded_task_queue.h"

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vxs {

struct GateLimits {
    std::size_t maxRequestLine = 4096 + 64; // the target's own limit and room for method and version
    std::size_t maxHeaderLines = 100;
    std::size_t maxHeadBytes = 16 * 1024;
    std::chrono::milliseconds headDeadline{5000};     // from accept to the head's blank line
    std::chrono::milliseconds requestDeadline{10000}; // from accept to the reply's start
    std::chrono::milliseconds writeIdle{10000};       // a reply the client takes nothing of for this long
    std::chrono::milliseconds writeDeadline{120000};  // ... or does not finish taking in this long
    std::chrono::milliseconds drainTime{2000};        // a refused client's sending, read and dropped
    std::chrono::milliseconds drainIdle{250};         // ... until it has been quiet this long
    std::size_t maxWaiting = 1024;
    std::size_t maxDraining = 1024; // refused connections read and dropped at once; others closed
    std::size_t workers = 8;
    std::size_t maxQueued = 256;        // complete heads waiting for a worker
    std::size_t maxPerClient = 64;      // connections of one client, from accept to close
    std::size_t maxServedPerClient = 4; // of them with a worker at once: half, so others find one free
    std::size_t maxUnreadPerClient = 32u << 20; // reply bytes one client has not taken yet
    std::size_t maxUnread = 256u << 20;         // the same over all clients
};

class ConnectionGate {
  public:
    // serve(fd, deadline) handles a connection whose head has arrived and gives the reply's bytes
    // back (reply), leaving the socket open; the exchange is to end by the deadline.
    using Serve = std::function<void(int, std::chrono::steady_clock::time_point)>;
    ConnectionGate(GateLimits limits, Serve serve);
    ~ConnectionGate();
    ConnectionGate(const ConnectionGate&) = delete;
    ConnectionGate& operator=(const ConnectionGate&) = delete;

    // Takes over an accepted socket; safe from any thread.
    void admit(int fd);
    // The reply to a connection that serve was given: the gate sends it and closes the socket.
    void reply(int fd, std::string bytes);
    // Closes what still waits, serves what is ready, and joins the threads.
    void shutdown();

    // What the gate makes of the bytes that have arrived so far.
    enum class Head { incomplete, complete, lineTooLong, tooManyHeaders, hasBody };
    static Head judge(const char* bytes, std::size_t length, const GateLimits& limits);

  private:
    struct Client {
        std::size_t connections = 0;
        std::size_t served = 0;
        std::size_t unread = 0;
        std::deque<int> ready; // complete heads waiting for this client's turn
    };
    struct Waiting {
        std::chrono::steady_clock::time_point deadline;
        bool draining = false; // refused: what the client still sends is read and dropped
        std::chrono::steady_clock::time_point drainEnd{};
        std::chrono::steady_clock::time_point accepted{};
        bool ready = false;   // the head is complete; the client's turn has not come
        bool counted = false; // held against its client's connections (not when refused at once)
        std::string client;
    };
    struct Sending {
        std::string bytes;
        std::size_t sent = 0;
        std::chrono::steady_clock::time_point idleEnd, end;
        std::string client;
    };

    void watch();
    void take(int fd);
    void examine(int fd, bool peerDone);
    void startSending(int fd, std::string bytes);
    void sendMore(int fd);
    void dispatch(int fd);
    bool mayServe(const Client& client) const;
    void serveWaiting();
    void expire(std::chrono::steady_clock::time_point now);
    void drain(int fd);
    void refuse(int fd, int status, const char* reason);
    // Adds fd to the gate's events for arriving bytes; false when it could not be.
    bool watchArrivals(int fd);
    void forget(int fd);
    // Closes a connection wherever it is in the gate, and lets its client's count go.
    void drop(int fd);

    GateLimits limits_;
    Serve serve_;
    int epoll_ = -1;
    int wake_ = -1; // an eventfd: admitted sockets, replies or shutdown
    std::mutex mutex_;
    std::vector<int> admitted_;
    std::vector<std::pair<int, std::string>> replies_;
    bool stopping_ = false;
    // The rest is the gate thread's alone.
    std::map<int, Waiting> waiting_;
    std::size_t waitingHeads_ = 0; // waiting_ less the refused ones draining
    std::size_t draining_ = 0;
    std::map<int, std::string> served_; // connections a worker has, and their client
    std::map<int, Sending> sending_;
    std::map<std::string, Client> clients_;
    std::size_t unread_ = 0;
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
