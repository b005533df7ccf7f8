#pragma once
// One line per request ("web GET /path?query 200"). Written to a regular file, each line is one
// append of its own, at once, so tests can read which requests arrived while the service runs.
// Any other destination (standard output to a pipe or a terminal) can stall, so its lines go
// through a bounded queue to a writer thread: a stalled reader costs dropped lines, never a
// waiting request. Secret query values (passwords, installation ids, tokens) are blanked.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace vxs {

class RequestLog {
  public:
    RequestLog();
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Appends to path (made readable by the owner alone); without a call, the log goes to
    // standard output.
    bool open(const std::string& path, std::string* error);

    void write(std::string_view server, std::string_view method, std::string_view target, int status);

    // Lines queued for a destination other than a regular file, at most.
    static constexpr std::size_t kMaxQueued = 4096;

  private:
    void use(int fd, bool owned);
    void drain();
    void stopWriter();

    std::mutex mutex_;
    std::condition_variable queued_;
    int fd_ = 1;
    bool owned_ = false;
    bool direct_ = false; // a regular file: appended to on the request's own thread
    std::deque<std::string> lines_;
    std::size_t dropped_ = 0;
    bool stopping_ = false;
    std::atomic<bool> stopped_{false}; // the writer gives up on a stalled destination
    std::thread writer_;
};

// The target as one printable line: control bytes, blanks and bytes above 127
// are written as %XX, and it is cut at 4096 bytes.
std::string printableTarget(std::string_view target);

} // namespace vxs
