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
// A client that asks to keep its connection gets it back here once its reply has gone, to wait
// for its next request as a new connection would, until it has been idle too long. A request the
// service can answer from what it already holds (a kept page) is answered here, with no worker.
#include "service/bounded_task_queue.h"
#include "service/page_file.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
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
    std::chrono::milliseconds keepAliveIdle{5000};    // a kept connection with no next request
    std::size_t maxRequestsPerConnection = 100;
    std::size_t maxWaiting = 1024;
    std::size_t maxDraining = 1024; // refused connections read and dropped at once; others closed
    std::size_t workers = 8;
    std::size_t maxQueued = 256;        // complete heads waiting for a worker
    std::size_t maxPerClient = 64;      // connections of one client, from accept to close
    std::size_t maxServedPerClient = 4; // of them with a worker at once: half, so others find one free
    std::size_t maxUnreadPerClient = 32u << 20; // reply bytes one client has not taken yet
    std::size_t maxUnread = 256u << 20;         // the same over all clients
};

// What the gate has read of a whole request head, for a reply it may give without a worker.
struct QuickRequest {
    std::string_view method, target, host;
    bool http10 = false;
    bool keepAlive = false; // the connection stays open after the reply
};
// Such a reply: its head, and a body shared with whoever keeps it, in memory or in a file.
struct QuickReply {
    std::string head;
    std::shared_ptr<const std::string> body;
    std::shared_ptr<const PageFile> file; // sent instead of body when there is one
};
// Answers from what is at hand (never waits, builds or reads a file), or nothing: a worker then
// serves the request.
using QuickAnswer = std::function<std::optional<QuickReply>(const QuickRequest&)>;

class ConnectionGate {
  public:
    // The request that has arrived whole: its length (head and any form body), and whether the
    // connection stays open after its reply.
    struct RequestShape {
        std::size_t length = 0;
        bool keepAlive = false;
    };
    // serve(fd, deadline, shape) handles a connection whose request has arrived, reading no more
    // than it, and gives the reply's bytes back (reply), leaving the socket open; the exchange is to
    // end by the deadline. shape.keepAlive is false for the last request of a connection.
    using Serve = std::function<void(int, std::chrono::steady_clock::time_point, RequestShape)>;
    ConnectionGate(GateLimits limits, Serve serve);
    ~ConnectionGate();
    ConnectionGate(const ConnectionGate&) = delete;
    ConnectionGate& operator=(const ConnectionGate&) = delete;

    // Takes over an accepted socket; safe from any thread.
    void admit(int fd);
    // Accepts the connections of a listening socket on the gate's own thread, with no hand-over
    // between threads, until shutdown; the caller keeps the socket and closes it after.
    void listenOn(int fd);
    // The reply to a connection that serve was given: the gate sends it, then waits for the next
    // request when both sides keep the connection (keepOpen), or closes the socket.
    void reply(int fd, std::string bytes, bool keepOpen);
    // Closes what still waits, serves what is ready, and joins the threads.
    void shutdown();
    // Set before the first connection is admitted.
    void answerAtOnce(QuickAnswer quick) { quick_ = std::move(quick); }

    // What the gate makes of the bytes that have arrived so far.
    enum class Head { incomplete, complete, lineTooLong, tooManyHeaders, hasBody };
    // A complete head's shape goes to *shape when it is given.
    static Head judge(const char* bytes, std::size_t length, const GateLimits& limits,
                      RequestShape* shape = nullptr);

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
        bool ready = false;       // the head is complete; the client's turn has not come
        bool counted = false;     // held against its client's connections (not when refused at once)
        bool idle = false;        // kept open after a reply, and nothing of the next request yet
        std::size_t requests = 0; // answered on this connection so far
        RequestShape shape;
        std::string client;
    };
    struct Served {
        std::string client;
        std::size_t requests = 0; // with the one a worker has
        bool keepAlive = false;
    };
    struct Sending {
        std::string bytes;
        std::shared_ptr<const std::string> body; // sent after bytes
        std::shared_ptr<const PageFile> file;    // or this, instead
        std::size_t size() const { return bytes.size() + (file ? file->size() : body ? body->size() : 0); }
        std::size_t sent = 0;
        std::chrono::steady_clock::time_point idleEnd, end;
        std::string client;
        std::size_t requests = 0;
        bool keepOpen = false;
        bool watched = false;         // in the gate's events (for the rest of the reply, or arrivals)
        bool arrivalsWatched = false; // ... still for arrivals, as while the request was awaited
        bool morePending = false;     // bytes past the request had arrived already
    };

    void watch();
    void take(int fd);
    void acceptWaiting();
    void examine(int fd, bool peerDone);
    void startSending(int fd, std::string bytes, bool keepOpen);
    // Sends what the socket takes now, and watches the socket for the rest.
    void sendFirst(int fd);
    // Gives the request of fd, whose head is in head, a reply without a worker if quick_ has one.
    bool answeredAtOnce(int fd, std::string_view head);
    // A reply sent on a kept connection: back to waiting for the next request.
    // Closes the longest idle of the connections kept open for a next request (of client, when
    // given); false when there is none.
    bool closeIdleKept(const std::string* client);
    void awaitNext(int fd);
    // A last reply sent: the connection ends.
    void closeAfterReply(int fd);
    // Sends what the socket takes; true while some of the reply is left.
    bool sendMore(int fd);
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
    QuickAnswer quick_;
    std::vector<char> consumed_; // a whole request read off its socket, and dropped
    int epoll_ = -1;
    int wake_ = -1; // an eventfd: admitted sockets, replies or shutdown
    std::atomic<int> listen_{-1};
    // Out of descriptors: the listening socket rests a while instead of waking the gate at once.
    std::optional<std::chrono::steady_clock::time_point> acceptRestsUntil_;
    std::mutex mutex_;
    std::vector<int> admitted_;
    struct Answer {
        int fd;
        std::string bytes;
        bool keepOpen;
    };
    std::vector<Answer> replies_;
    bool stopping_ = false;
    // The rest is the gate thread's alone.
    std::map<int, Waiting> waiting_;
    std::size_t waitingHeads_ = 0; // waiting_ less the refused ones draining
    std::size_t draining_ = 0;
    std::map<int, Served> served_; // connections a worker has
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

// An httplib server whose accepted sockets go through a gate; a worker then serves each request of
// a connection once it has arrived whole.
class GatedServer : public httplib::Server {
  public:
    explicit GatedServer(GateLimits limits = {});
    ~GatedServer() override;
    void closeGate() { gate_.shutdown(); }
    // After binding: serves on the gate's thread until halt() (also when halt() came first).
    void serve();
    void halt();
    void answerAtOnce(QuickAnswer quick) { gate_.answerAtOnce(std::move(quick)); }
    // After binding: lets the kernel hold a burst of connections while the gate takes them in
    // (the library listens with a backlog of 5, and a refused SYN costs a client a second).
    void widenBacklog();

  private:
    bool process_and_close_socket(socket_t sock) override;
    void serveReady(int fd, std::chrono::steady_clock::time_point deadline,
                    ConnectionGate::RequestShape shape);

    std::mutex haltMutex_;
    std::condition_variable halted_;
    bool halting_ = false;
    ConnectionGate gate_;
};

} // namespace vxs
