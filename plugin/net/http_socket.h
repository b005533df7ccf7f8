#pragma once
// Inside the HTTP client: connecting, waiting and moving bytes, each wait cut into short slices
// so that the cancel check is polled while a slow server keeps the thread waiting. Every wait of
// one fetch runs against one deadline, so a server that trickles bytes cannot stretch it.
#include "plugin/net/http_state.h"

#include <chrono>
#include <cstddef>
#include <sys/types.h>

// When a fetch must be over: its time-out counted from its start, or never.
struct HttpDeadline {
    bool limited = false;
    std::chrono::steady_clock::time_point at{};
    int seconds = 0; // the time-out it came from, for the error text

    // A negative time-out sets no deadline.
    static HttpDeadline after(int seconds);
};

// Closes the descriptor it holds when it goes.
class HttpSocket {
  public:
    HttpSocket() = default;
    explicit HttpSocket(int fd) : fd_(fd) {}
    ~HttpSocket() { close(); }
    HttpSocket(const HttpSocket&) = delete;
    HttpSocket& operator=(const HttpSocket&) = delete;
    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    void reset(int fd) {
        close();
        fd_ = fd;
    }
    void close();
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_ = -1;
};

// Opens a connected, non-blocking socket; -1 with the error state set (stopped included). A
// connect still pending at the deadline fails with the header's time-out error.
int httpConnect(char* hostAndPort, const HttpDeadline& deadline, const HttpCancelCheck& cancel);

// Reads up to length bytes once some are there: the count, 0 when the peer closed, or -1 with
// the error state set. Waiting past the deadline fails with client error timeoutIndex.
ssize_t httpReadSome(int fd, void* buffer, size_t length, const HttpDeadline& deadline, int timeoutIndex,
                     const HttpCancelCheck& cancel);

// Sends the whole buffer; 0, or -1 with the error state set.
int httpWriteAll(int fd, const char* buffer, size_t length, const HttpDeadline& deadline,
                 const HttpCancelCheck& cancel);
