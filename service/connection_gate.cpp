#include "service/connection_gate.h"

#include "service/reply.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vxs {

namespace {

using Clock = std::chrono::steady_clock;

// The longest the gate thread sleeps, so that deadlines are kept to about this.
constexpr int kTickMs = 100;

const char* statusText(int status) {
    switch (status) {
    case 408:
        return "Request Timeout";
    case 413:
        return "Content Too Large";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Bad Request";
    }
}

// The socket of a connection a worker serves, as the HTTP library reads and writes it: each wait
// bounded by the server's read or write time-out.
class GateStream : public httplib::Stream {
  public:
    GateStream(int fd, std::chrono::microseconds readTimeout, std::chrono::microseconds writeTimeout,
               Clock::time_point deadline)
        : fd_(fd), readMs_(toMs(readTimeout)), writeMs_(toMs(writeTimeout)), deadline_(deadline) {}

    bool is_readable() const override { return readAt_ < readEnd_ || waitFor(POLLIN, readMs_); }
    bool is_writable() const override { return waitFor(POLLOUT, writeMs_); }
    // Buffered: the library reads the request head a byte at a time, and a wait and a recv for
    // every byte cost more than all the rest of a small reply.
    ssize_t read(char* ptr, size_t size) override {
        if (readAt_ == readEnd_) {
            if (!waitFor(POLLIN, readMs_)) return -1;
            ssize_t n;
            do
                n = ::recv(fd_, readBuffer_, sizeof readBuffer_, 0);
            while (n < 0 && errno == EINTR);
            if (n <= 0) return n;
            readAt_ = 0;
            readEnd_ = static_cast<std::size_t>(n);
        }
        const std::size_t count = std::min(size, readEnd_ - readAt_);
        std::memcpy(ptr, readBuffer_ + readAt_, count);
        readAt_ += count;
        return static_cast<ssize_t>(count);
    }
    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        ssize_t n;
        do
            n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
        while (n < 0 && errno == EINTR);
        return n;
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) describe(addr, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) describe(addr, ip, port);
    }
    socket_t socket() const override { return fd_; }

  private:
    static int toMs(std::chrono::microseconds t) {
        return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(t).count());
    }
    // Each wait is bounded by its time-out and by what is left of the exchange's deadline.
    bool waitFor(short events, int ms) const {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
        if (left <= 0) return false;
        ms = static_cast<int>(std::min<long long>(ms, left));
        pollfd p{fd_, events, 0};
        int r;
        do
            r = ::poll(&p, 1, ms);
        while (r < 0 && errno == EINTR);
        return r > 0;
    }
    static void describe(const sockaddr_storage& addr, std::string& ip, int& port) {
        char host[NI_MAXHOST];
        char service[NI_MAXSERV];
        if (::getnameinfo(reinterpret_cast<const sockaddr*>(&addr), sizeof addr, host, sizeof host, service,
                          sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
            ip = host;
            port = std::atoi(service);
        }
    }

    int fd_;
    int readMs_;
    int writeMs_;
    Clock::time_point deadline_;
    char readBuffer_[4096];
    std::size_t readAt_ = 0;
    std::size_t readEnd_ = 0;
};

// Whether a header line (without its line end) is name: value, name in any letter case.
bool headerIs(const char* line, const char* end, std::string_view name, std::string_view* value) {
    if (static_cast<std::size_t>(end - line) <= name.size() || line[name.size()] != ':') return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != name[i]) return false;
    *value = std::string_view(line + name.size() + 1, static_cast<std::size_t>(end - line) - name.size() - 1);
    return true;
}

// Whether a header line announces a request body: any transfer coding, or a length other than 0.
bool announcesBody(const char* line, const char* end) {
    std::string_view value;
    if (headerIs(line, end, "transfer-encoding", &value)) return true;
    if (!headerIs(line, end, "content-length", &value)) return false;
    for (char c : value)
        if (c != ' ' && c != '\t' && c != '\r' && c != '0') return true;
    return false;
}

} // namespace

ConnectionGate::ConnectionGate(GateLimits limits, Serve serve)
    : limits_(limits), serve_(std::move(serve)), workers_(limits.workers, limits.maxQueued) {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.fd = wake_;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &e);
    thread_ = std::thread([this] { watch(); });
}

ConnectionGate::~ConnectionGate() {
    shutdown();
    ::close(wake_);
    ::close(epoll_);
}

void ConnectionGate::admit(int fd) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stopping_) {
            admitted_.push_back(fd);
            fd = -1;
        }
    }
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    const uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
}

void ConnectionGate::shutdown() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ && !thread_.joinable()) return;
        stopping_ = true;
    }
    const uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
    if (thread_.joinable()) thread_.join();
    workers_.shutdown();
}

ConnectionGate::Head ConnectionGate::judge(const char* bytes, std::size_t length, const GateLimits& limits) {
    // Nothing yet (perhaps not even a buffer): memchr must not be handed a null pointer.
    if (length == 0) return Head::incomplete;
    const char* end = bytes + length;
    const char* feed = static_cast<const char*>(std::memchr(bytes, '\n', length));
    if (!feed) return length > limits.maxRequestLine ? Head::lineTooLong : Head::incomplete;
    if (static_cast<std::size_t>(feed - bytes) > limits.maxRequestLine) return Head::lineTooLong;
    std::size_t lines = 0;
    bool body = false;
    for (const char* line = feed + 1; line < end;) {
        const char* next =
            static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        if (!next) break;
        // A blank line (with or without its carriage return) ends the head.
        if (next == line || (next == line + 1 && *line == '\r')) return body ? Head::hasBody : Head::complete;
        if (++lines > limits.maxHeaderLines) return Head::tooManyHeaders;
        body = body || announcesBody(line, next);
        line = next + 1;
    }
    return length > limits.maxHeadBytes ? Head::tooManyHeaders : Head::incomplete;
}

void ConnectionGate::watch() {
    std::vector<epoll_event> events(64);
    std::vector<char> peeked;
    for (;;) {
        std::vector<int> arrived;
        bool stopping = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            arrived.swap(admitted_);
            stopping = stopping_;
        }
        for (int fd : arrived) {
            if (stopping) {
                ::close(fd);
                continue;
            }
            if (waiting_.size() >= limits_.maxWaiting) {
                refuse(fd, 503, "too many connections waiting");
                continue;
            }
            // Edge-triggered: an event for every arrival of bytes, and one now if some are there.
            epoll_event e{};
            e.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
            e.data.fd = fd;
            if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &e) != 0) {
                ::close(fd);
                continue;
            }
            const auto now = Clock::now();
            Waiting w{now + limits_.headDeadline};
            w.accepted = now;
            waiting_[fd] = w;
        }
        if (stopping) {
            for (auto& [fd, deadline] : waiting_)
                ::close(fd);
            waiting_.clear();
            return;
        }
        const int n = epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), kTickMs);
        for (int i = 0; i < n; ++i) {
            const int fd = events[static_cast<std::size_t>(i)].data.fd;
            if (fd == wake_) {
                uint64_t count = 0;
                (void)!::read(wake_, &count, sizeof count);
                continue;
            }
            const uint32_t what = events[static_cast<std::size_t>(i)].events;
            examine(fd, (what & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0);
        }
        const auto now = Clock::now();
        for (auto it = waiting_.begin(); it != waiting_.end();) {
            const int fd = it->first;
            const Waiting w = it->second;
            ++it;
            if (w.deadline > now) continue;
            if (w.draining) {
                forget(fd);
                ::close(fd);
            } else {
                refuse(fd, 408, "the request did not arrive in time");
            }
        }
    }
}

void ConnectionGate::examine(int fd, bool peerDone) {
    auto found = waiting_.find(fd);
    if (found == waiting_.end()) return;
    if (found->second.draining) {
        drain(fd);
        return;
    }
    // Peeked, not read: the server reads the head itself once a worker has the connection.
    char bytes[16 * 1024 + 1];
    const std::size_t room = std::min(sizeof bytes, limits_.maxHeadBytes + 1);
    const ssize_t n = ::recv(fd, bytes, room, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) && !peerDone) return;
    if (n <= 0) {
        forget(fd);
        ::close(fd);
        return;
    }
    switch (judge(bytes, static_cast<std::size_t>(n), limits_)) {
    case Head::complete: {
        const auto deadline = found->second.accepted + limits_.requestDeadline;
        forget(fd);
        // Every worker busy and the queue full: an answer now, not a wait on this thread.
        if (!workers_.tryEnqueue([this, fd, deadline] { serve_(fd, deadline); }))
            refuse(fd, 503, "the service is busy; try again");
        return;
    }
    case Head::hasBody:
        refuse(fd, 413, "requests to this service carry no body");
        return;
    case Head::lineTooLong:
        refuse(fd, 414, "request line too long");
        return;
    case Head::tooManyHeaders:
        refuse(fd, 431, "request header too large");
        return;
    case Head::incomplete:
        // A client that has finished sending without ending its head never will.
        if (peerDone) refuse(fd, 400, "request cut short");
        return;
    }
}

void ConnectionGate::refuse(int fd, int status, const char* reason) {
    const Reply r = errorReply(status, reason);
    const std::string reply =
        "HTTP/1.1 " + std::to_string(status) + " " + statusText(status) +
        "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(r.body.size()) +
        "\r\nConnection: close\r\n\r\n" + r.body;
    // One try, never a wait: the reply fits the socket's buffer, and a client that takes nothing
    // loses it.
    (void)!::send(fd, reply.data(), reply.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    ::shutdown(fd, SHUT_WR);
    // Closing with unread bytes would reset the connection and could cost the client the reply:
    // what it still sends is read and dropped for a while first.
    auto it = waiting_.find(fd);
    if (it == waiting_.end()) {
        epoll_event e{};
        e.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
        e.data.fd = fd;
        if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &e) != 0) {
            ::close(fd);
            return;
        }
        it = waiting_.emplace(fd, Waiting{}).first;
    }
    const auto now = Clock::now();
    it->second = Waiting{now + limits_.drainIdle, true, now + limits_.drainTime};
    drain(fd);
}

void ConnectionGate::drain(int fd) {
    char dropped[16 * 1024];
    for (;;) {
        const ssize_t n = ::recv(fd, dropped, sizeof dropped, MSG_DONTWAIT);
        if (n > 0) continue;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Closed once the client has been quiet a while, or at the latest at the drain's end.
            Waiting& w = waiting_[fd];
            w.deadline = std::min(w.drainEnd, Clock::now() + limits_.drainIdle);
            return;
        }
        break; // the client has finished, or the connection failed
    }
    forget(fd);
    ::close(fd);
}

void ConnectionGate::forget(int fd) {
    if (waiting_.erase(fd) > 0) epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
}

GatedServer::GatedServer(GateLimits limits)
    : gate_(limits,
            [this](int fd, std::chrono::steady_clock::time_point deadline) { serveReady(fd, deadline); }) {
    new_task_queue = [] { return new InlineTaskQueue; };
}

GatedServer::~GatedServer() {
    gate_.shutdown();
}

void GatedServer::widenBacklog() {
    const int fd = svr_sock_;
    if (fd >= 0) ::listen(fd, SOMAXCONN);
}

bool GatedServer::process_and_close_socket(socket_t sock) {
    gate_.admit(sock);
    return true;
}

void GatedServer::serveReady(int fd, std::chrono::steady_clock::time_point deadline) {
    GateStream stream(
        fd, std::chrono::seconds(read_timeout_sec_) + std::chrono::microseconds(read_timeout_usec_),
        std::chrono::seconds(write_timeout_sec_) + std::chrono::microseconds(write_timeout_usec_), deadline);
    bool closed = false;
    // One request per connection: the plug-in's client asks for the close and reads until it.
    process_request(stream, true, closed, nullptr);
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

} // namespace vxs
