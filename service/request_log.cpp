#include "service/request_log.h"

#include "service/secret_redaction.h"

#include "common/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vxs {

namespace {

// Writes all of text; false when the destination fails.
bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes text to a destination that may stall (a pipe nobody reads), a pipe buffer's worth at a
// time once it has room, so the writer can give up when the service stops; false then or on failure.
bool writeUnlessStopped(int fd, std::string_view text, const std::atomic<bool>& stopped) {
    while (!text.empty()) {
        pollfd ready{fd, POLLOUT, 0};
        const int r = ::poll(&ready, 1, 100);
        if (r < 0 && errno != EINTR) return false;
        if (r <= 0) {
            if (stopped) return false;
            continue;
        }
        const ssize_t n = ::write(fd, text.data(), std::min<std::size_t>(text.size(), PIPE_BUF));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool isRegularFile(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

RequestLog::RequestLog() {
    use(1, false);
}

RequestLog::~RequestLog() {
    stopWriter();
    if (owned_) ::close(fd_);
}

void RequestLog::use(int fd, bool owned) {
    stopWriter();
    std::lock_guard<std::mutex> lock(mutex_);
    if (owned_) ::close(fd_);
    fd_ = fd;
    owned_ = owned;
    direct_ = isRegularFile(fd);
    stopping_ = false;
    if (!direct_) writer_ = std::thread([this] { drain(); });
}

bool RequestLog::open(const std::string& path, std::string* error) {
    // A regular file only, opened without waiting (a FIFO would hold the start until a reader came),
    // and only the service's own user reads it: a log made by an older service is narrowed too.
    vx::FileOpening why{};
    const int fd = vx::openRegularFileWith(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0600, &why);
    if (fd < 0) {
        if (error)
            *error = why == vx::FileOpening::notRegular ? "log " + path + " is not a regular file"
                                                        : "cannot open log " + path;
        return false;
    }
    if (::fchmod(fd, 0600) != 0) {
        ::close(fd);
        if (error) *error = "cannot make log " + path + " private";
        return false;
    }
    use(fd, true);
    return true;
}

std::string printableTarget(std::string_view target) {
    constexpr std::size_t kMax = 4096;
    std::string out;
    for (unsigned char c : target.substr(0, kMax)) {
        if (c <= ' ' || c >= 127) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (target.size() > kMax) out += "...";
    return out;
}

void RequestLog::write(std::string_view server, std::string_view method, std::string_view target,
                       int status) {
    std::string line = std::string(server) + " " + printableTarget(method) + " " +
                       printableTarget(withoutSecrets(target)) + " " + std::to_string(status) + "\n";
    std::unique_lock<std::mutex> lock(mutex_);
    if (direct_) {
        const int fd = fd_;
        lock.unlock();
        // One append per line: lines from several workers never interleave.
        writeAll(fd, line);
        return;
    }
    if (lines_.size() >= kMaxQueued) {
        ++dropped_;
        return;
    }
    lines_.push_back(std::move(line));
    queued_.notify_one();
}

void RequestLog::drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return stopping_ || !lines_.empty(); });
        if (lines_.empty()) return;
        std::string text;
        while (!lines_.empty()) {
            text += lines_.front();
            lines_.pop_front();
        }
        if (dropped_ > 0) {
            text += "log: " + std::to_string(dropped_) + " lines dropped while the log could not keep up\n";
            dropped_ = 0;
        }
        const int fd = fd_;
        lock.unlock();
        writeUnlessStopped(fd, text, stopped_);
        lock.lock();
    }
}

void RequestLog::stopWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stopped_ = true;
    queued_.notify_all();
    if (writer_.joinable()) writer_.join();
    stopped_ = false;
}

} // namespace vxs
