#include "service/connection_gate.h"

#include "service/peer_address.h"
#include "service/reply.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/uio.h>
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

// The socket of a connection a worker serves, as the HTTP library reads it (each wait bounded by
// the server's read time-out) and writes to it (into memory, for the gate to send).
class GateStream : public httplib::Stream {
  public:
    // Reads at most length bytes: what follows on a kept connection is the next request's.
    GateStream(int fd, std::chrono::microseconds readTimeout, Clock::time_point deadline, std::size_t length)
        : fd_(fd), readMs_(toMs(readTimeout)), deadline_(deadline), unread_(length) {}

    bool is_readable() const override {
        return readAt_ < readEnd_ || (unread_ > 0 && waitFor(POLLIN, readMs_));
    }
    // The reply goes into memory, and the gate sends it: no worker waits for a slow reader.
    bool is_writable() const override { return true; }
    // Buffered: the library reads the request head a byte at a time, and a wait and a recv for
    // every byte cost more than all the rest of a small reply.
    ssize_t read(char* ptr, size_t size) override {
        if (readAt_ == readEnd_) {
            if (unread_ == 0) return 0;
            // The gate has seen the request arrive: it is there to take without a wait.
            const std::size_t want = std::min(sizeof readBuffer_, unread_);
            ssize_t n;
            do
                n = ::recv(fd_, readBuffer_, want, MSG_DONTWAIT);
            while (n < 0 && errno == EINTR);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (!waitFor(POLLIN, readMs_)) return -1;
                do
                    n = ::recv(fd_, readBuffer_, want, 0);
                while (n < 0 && errno == EINTR);
            }
            if (n <= 0) return n;
            unread_ -= static_cast<std::size_t>(n);
            readAt_ = 0;
            readEnd_ = static_cast<std::size_t>(n);
        }
        const std::size_t count = std::min(size, readEnd_ - readAt_);
        std::memcpy(ptr, readBuffer_ + readAt_, count);
        readAt_ += count;
        return static_cast<ssize_t>(count);
    }
    ssize_t write(const char* ptr, size_t size) override {
        reply_.append(ptr, size);
        return static_cast<ssize_t>(size);
    }
    std::string takeReply() { return std::move(reply_); }
    // Every byte of the request was read: a request the library gave up on half way leaves lines
    // that must not be taken for the next request.
    bool readWhole() const { return unread_ == 0 && readAt_ == readEnd_; }
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
    Clock::time_point deadline_;
    std::string reply_;
    char readBuffer_[4096];
    std::size_t readAt_ = 0;
    std::size_t readEnd_ = 0;
    std::size_t unread_; // of the request, still in the socket
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

// The one kind of request that carries a body: the phone app's small forms.
constexpr std::string_view kFormPosts = "POST /app/api/";

// A Content-Length value as a number; nullopt for anything else (or past a sane size).
std::optional<std::size_t> decimal(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
        value.remove_suffix(1);
    if (value.empty() || value.size() > 9) return std::nullopt;
    std::size_t n = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    return n;
}

std::string_view trimmed(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r'))
        v.remove_suffix(1);
    return v;
}

bool sameLetters(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != lower[i]) return false;
    return true;
}

// Whether a connection stays open after a request: HTTP/1.1 keeps it unless the request asks for
// "close", HTTP/1.0 only when it asks for "keep-alive"; either in any letter case (a client of ours
// sends "Close"), among the header's other options.
class Persistence {
  public:
    explicit Persistence(std::string_view requestLine)
        : http11_(trimmed(requestLine).ends_with(" HTTP/1.1")) {}
    void ask(std::string_view connectionHeader) {
        std::string_view rest = connectionHeader;
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view option = trimmed(rest.substr(0, comma));
            askedClose_ = askedClose_ || sameLetters(option, "close");
            askedKeep_ = askedKeep_ || sameLetters(option, "keep-alive");
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
    }
    bool keep() const { return !askedClose_ && (http11_ || askedKeep_); }

  private:
    bool http11_;
    bool askedKeep_ = false;
    bool askedClose_ = false;
};

// The request line and Host header of a whole head; false when the line is not method, target
// and version.
bool readRequestHead(std::string_view head, QuickRequest* request) {
    const std::size_t lineEnd = head.find('\n');
    const std::string_view line = trimmed(head.substr(0, lineEnd));
    const std::size_t first = line.find(' ');
    const std::size_t second = line.find(' ', first + 1);
    if (first == std::string_view::npos || second == std::string_view::npos) return false;
    request->method = line.substr(0, first);
    request->target = line.substr(first + 1, second - first - 1);
    const std::string_view version = line.substr(second + 1);
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return false;
    request->http10 = version == "HTTP/1.0";
    for (std::size_t at = lineEnd + 1; at < head.size();) {
        const std::size_t end = std::min(head.find('\n', at), head.size());
        std::string_view value;
        if (headerIs(head.data() + at, head.data() + end, "host", &value)) {
            request->host = trimmed(value);
            break;
        }
        at = end + 1;
    }
    return true;
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

void ConnectionGate::listenOn(int fd) {
    fcntl(fd, F_SETFL, O_NONBLOCK);
    listen_ = fd;
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.fd = fd;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &e);
}

void ConnectionGate::acceptWaiting() {
    // A bounded batch a turn, so that a flood of connections does not starve the others.
    for (int i = 0; i < 64; ++i) {
        const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            take(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            epoll_ctl(epoll_, EPOLL_CTL_DEL, listen_, nullptr);
            acceptRestsUntil_ = Clock::now() + std::chrono::milliseconds(kTickMs);
        }
        return;
    }
}

void ConnectionGate::admit(int fd) {
    // The gate never waits on a socket; a page sent from a file (sendfile has no flags) needs this.
    fcntl(fd, F_SETFL, O_NONBLOCK);
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

void ConnectionGate::reply(int fd, std::string bytes, bool keepOpen) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stopping_) {
            // One wake-up for however many replies the gate has not taken yet.
            wake = replies_.empty();
            replies_.push_back(Answer{fd, std::move(bytes), keepOpen});
            fd = -1;
        }
    }
    if (fd >= 0) {
        // Stopping: what the socket takes now, then the end.
        (void)!::send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        ::close(fd);
        return;
    }
    if (!wake) return;
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
    // Requests the workers still hold are answered as far as their sockets take it, then closed.
    workers_.shutdown();
}

ConnectionGate::Head ConnectionGate::judge(const char* bytes, std::size_t length, const GateLimits& limits,
                                           RequestShape* shape) {
    // Nothing yet (perhaps not even a buffer): memchr must not be handed a null pointer.
    if (length == 0) return Head::incomplete;
    const char* end = bytes + length;
    const char* feed = static_cast<const char*>(std::memchr(bytes, '\n', length));
    if (!feed) return length > limits.maxRequestLine ? Head::lineTooLong : Head::incomplete;
    if (static_cast<std::size_t>(feed - bytes) > limits.maxRequestLine) return Head::lineTooLong;
    std::size_t lines = 0;
    bool body = false;
    std::optional<std::size_t> formLength;
    const std::string_view requestLine(bytes, static_cast<std::size_t>(feed - bytes));
    const bool form = requestLine.rfind(kFormPosts, 0) == 0;
    Persistence persistence(requestLine);
    for (const char* line = feed + 1; line < end;) {
        const char* next =
            static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        if (!next) break;
        // A blank line (with or without its carriage return) ends the head.
        if (next == line || (next == line + 1 && *line == '\r')) {
            const std::size_t headEnd = static_cast<std::size_t>(next + 1 - bytes);
            const std::size_t whole = headEnd + (body && formLength ? *formLength : 0);
            if (body) {
                // A form is let in whole or not at all: a worker never waits for its bytes.
                if (!form || !formLength || whole > limits.maxHeadBytes) return Head::hasBody;
                if (length < whole) return Head::incomplete;
            }
            if (shape) *shape = RequestShape{whole, persistence.keep()};
            return Head::complete;
        }
        if (++lines > limits.maxHeaderLines) return Head::tooManyHeaders;
        if (std::string_view value; headerIs(line, next, "connection", &value)) persistence.ask(value);
        if (announcesBody(line, next)) {
            std::string_view value;
            formLength =
                !body && headerIs(line, next, "content-length", &value) ? decimal(value) : std::nullopt;
            body = true;
        }
        line = next + 1;
    }
    return length > limits.maxHeadBytes ? Head::tooManyHeaders : Head::incomplete;
}

void ConnectionGate::watch() {
    std::vector<epoll_event> events(64);
    for (;;) {
        std::vector<int> arrived;
        std::vector<Answer> answered;
        bool stopping = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            arrived.swap(admitted_);
            answered.swap(replies_);
            stopping = stopping_;
        }
        if (stopping) {
            for (int fd : arrived)
                ::close(fd);
            for (const Answer& a : answered) {
                (void)!::send(a.fd, a.bytes.data(), a.bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
                ::close(a.fd);
            }
            for (const auto& [fd, waiting] : waiting_)
                ::close(fd);
            for (const auto& [fd, sending] : sending_)
                ::close(fd);
            waiting_.clear();
            sending_.clear();
            return;
        }
        for (int fd : arrived)
            take(fd);
        for (Answer& a : answered)
            startSending(a.fd, std::move(a.bytes), a.keepOpen);
        const int n = epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), kTickMs);
        for (int i = 0; i < n; ++i) {
            const int fd = events[static_cast<std::size_t>(i)].data.fd;
            if (fd == wake_) {
                uint64_t count = 0;
                (void)!::read(wake_, &count, sizeof count);
                continue;
            }
            if (fd == listen_) {
                acceptWaiting();
                continue;
            }
            const uint32_t what = events[static_cast<std::size_t>(i)].events;
            if (sending_.count(fd) > 0) {
                if ((what & (EPOLLERR | EPOLLHUP)) != 0)
                    drop(fd);
                else
                    sendMore(fd);
                continue;
            }
            examine(fd, (what & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0);
        }
        expire(Clock::now());
        serveWaiting();
        if (acceptRestsUntil_ && *acceptRestsUntil_ <= Clock::now()) {
            acceptRestsUntil_.reset();
            epoll_event e{};
            e.events = EPOLLIN;
            e.data.fd = listen_;
            epoll_ctl(epoll_, EPOLL_CTL_ADD, listen_, &e);
        }
    }
}

bool ConnectionGate::closeIdleKept(const std::string* client) {
    auto oldest = waiting_.end();
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        const Waiting& w = it->second;
        if (!w.idle || (client && w.client != *client)) continue;
        if (oldest == waiting_.end() || w.accepted < oldest->second.accepted) oldest = it;
    }
    if (oldest == waiting_.end()) return false;
    drop(oldest->first);
    return true;
}

void ConnectionGate::take(int fd) {
    const std::string client = peerKey(fd);
    // A connection kept open for a next request that has not come gives way to a new one.
    if (waitingHeads_ >= limits_.maxWaiting && !closeIdleKept(nullptr)) {
        refuse(fd, 503, "too many connections waiting");
        return;
    }
    auto known = clients_.find(client);
    if (known != clients_.end() && known->second.connections >= limits_.maxPerClient &&
        !closeIdleKept(&client)) {
        refuse(fd, 503, "too many connections from your address");
        return;
    }
    if (!watchArrivals(fd)) {
        ::close(fd);
        return;
    }
    ++clients_[client].connections;
    const auto now = Clock::now();
    Waiting w;
    w.deadline = now + limits_.headDeadline;
    w.accepted = now;
    w.client = client;
    w.counted = true;
    waiting_.emplace(fd, std::move(w));
    ++waitingHeads_;
}

void ConnectionGate::examine(int fd, bool peerDone) {
    auto found = waiting_.find(fd);
    if (found == waiting_.end()) return;
    if (found->second.draining) {
        drain(fd);
        return;
    }
    // A complete head waits for its client's turn, whatever the client does meanwhile.
    if (found->second.ready) return;
    // Peeked, not read: the server reads the head itself once a worker has the connection.
    char bytes[16 * 1024 + 1];
    const std::size_t room = std::min(sizeof bytes, limits_.maxHeadBytes + 1);
    const ssize_t n = ::recv(fd, bytes, room, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) && !peerDone) return;
    if (n <= 0) {
        drop(fd);
        return;
    }
    if (found->second.idle) {
        // The next request has begun: from here it has the time a new connection's head has.
        found->second.idle = false;
        found->second.deadline = Clock::now() + limits_.headDeadline;
    }
    switch (judge(bytes, static_cast<std::size_t>(n), limits_, &found->second.shape)) {
    case Head::complete: {
        Waiting& w = found->second;
        // A client that has finished sending waits for the close: it asks nothing more.
        if (peerDone) w.shape.keepAlive = false;
        Client& client = clients_[w.client];
        if (mayServe(client)) {
            if (!answeredAtOnce(fd, std::string_view(bytes, static_cast<std::size_t>(n)))) dispatch(fd);
            return;
        }
        // The client already has its share: this request waits for one of its others to end.
        w.ready = true;
        w.deadline = w.accepted + limits_.requestDeadline;
        client.ready.push_back(fd);
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

bool ConnectionGate::mayServe(const Client& client) const {
    return client.served < limits_.maxServedPerClient && client.unread < limits_.maxUnreadPerClient &&
           (unread_ < limits_.maxUnread || client.unread == 0);
}

void ConnectionGate::dispatch(int fd) {
    auto found = waiting_.find(fd);
    const auto deadline = found->second.accepted + limits_.requestDeadline;
    RequestShape shape = found->second.shape;
    const std::size_t requests = found->second.requests + 1;
    if (requests >= limits_.maxRequestsPerConnection) shape.keepAlive = false;
    // Every worker busy and the queue full: an answer now, not a wait on this thread.
    if (!workers_.tryEnqueue([this, fd, deadline, shape] { serve_(fd, deadline, shape); })) {
        refuse(fd, 503, "the service is busy; try again");
        return;
    }
    const std::string client = found->second.client;
    forget(fd);
    ++clients_[client].served;
    served_[fd] = Served{client, requests, shape.keepAlive};
}

void ConnectionGate::serveWaiting() {
    for (auto it = clients_.begin(); it != clients_.end();) {
        Client& client = it->second;
        while (!client.ready.empty() && mayServe(client)) {
            const int fd = client.ready.front();
            client.ready.pop_front();
            dispatch(fd);
        }
        it = client.connections == 0 ? clients_.erase(it) : std::next(it);
    }
}

void ConnectionGate::startSending(int fd, std::string bytes, bool keepOpen) {
    auto found = served_.find(fd);
    if (found == served_.end()) {
        ::close(fd);
        return;
    }
    Served served = std::move(found->second);
    served_.erase(found);
    --clients_[served.client].served;
    Sending& s = sending_[fd];
    s.bytes = std::move(bytes);
    s.requests = served.requests;
    s.keepOpen = keepOpen && served.keepAlive;
    const auto now = Clock::now();
    s.idleEnd = now + limits_.writeIdle;
    s.end = now + limits_.writeDeadline;
    clients_[served.client].unread += s.bytes.size();
    unread_ += s.bytes.size();
    s.client = std::move(served.client);
    sendFirst(fd);
}

void ConnectionGate::sendFirst(int fd) {
    // Most replies go whole into the socket at once; only what is left needs the socket's events.
    if (!sendMore(fd)) return;
    Sending& s = sending_[fd];
    epoll_event e{};
    e.events = EPOLLOUT | EPOLLET;
    e.data.fd = fd;
    if (epoll_ctl(epoll_, s.watched ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &e) != 0) {
        drop(fd);
        return;
    }
    s.watched = true;
    s.arrivalsWatched = false;
}

bool ConnectionGate::answeredAtOnce(int fd, std::string_view head) {
    if (!quick_) return false;
    auto found = waiting_.find(fd);
    Waiting& w = found->second;
    QuickRequest request;
    if (!readRequestHead(head.substr(0, w.shape.length), &request)) return false;
    const std::size_t requests = w.requests + 1;
    request.keepAlive = w.shape.keepAlive && requests < limits_.maxRequestsPerConnection;
    std::optional<QuickReply> reply = quick_(request);
    if (!reply) return false;
    // The request leaves the socket; what follows it stays there for the next turn.
    consumed_.resize(std::max(consumed_.size(), w.shape.length));
    if (::recv(fd, consumed_.data(), w.shape.length, MSG_DONTWAIT) != static_cast<ssize_t>(w.shape.length)) {
        drop(fd);
        return true;
    }
    Sending s;
    s.bytes = std::move(reply->head);
    s.body = std::move(reply->body);
    s.file = std::move(reply->file);
    s.requests = requests;
    s.keepOpen = request.keepAlive;
    s.watched = true; // still in the gate's events, for arrivals
    s.arrivalsWatched = true;
    s.morePending = head.size() > w.shape.length;
    const auto now = Clock::now();
    s.idleEnd = now + limits_.writeIdle;
    s.end = now + limits_.writeDeadline;
    s.client = std::move(w.client);
    clients_[s.client].unread += s.size();
    unread_ += s.size();
    waiting_.erase(found);
    --waitingHeads_;
    sending_[fd] = std::move(s);
    sendFirst(fd);
    return true;
}

bool ConnectionGate::sendMore(int fd) {
    auto found = sending_.find(fd);
    if (found == sending_.end()) return false;
    Sending& s = found->second;
    const std::size_t before = s.sent;
    bool failed = false;
    // After a call that sent n bytes: true to go on; false once the socket is full or broke.
    const auto took = [&](ssize_t n) {
        if (n > 0) {
            s.sent += static_cast<std::size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) return true;
        failed = !(n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
        return false;
    };
    const std::size_t size = s.size();
    while (s.sent < size) {
        if (s.file && s.sent >= s.bytes.size()) {
            off_t at = static_cast<off_t>(s.sent - s.bytes.size());
            if (!took(::sendfile(fd, s.file->fd(), &at, size - s.sent))) break;
            continue;
        }
        // The head and a shared body go in one call; a head before a file waits for its bytes.
        if (s.file) {
            if (!took(::send(fd, s.bytes.data() + s.sent, s.bytes.size() - s.sent,
                             MSG_DONTWAIT | MSG_NOSIGNAL | MSG_MORE)))
                break;
            continue;
        }
        iovec parts[2];
        msghdr message{};
        message.msg_iov = parts;
        if (s.sent < s.bytes.size())
            parts[message.msg_iovlen++] = iovec{s.bytes.data() + s.sent, s.bytes.size() - s.sent};
        if (s.body) {
            const std::size_t at = s.sent > s.bytes.size() ? s.sent - s.bytes.size() : 0;
            parts[message.msg_iovlen++] = iovec{const_cast<char*>(s.body->data()) + at, s.body->size() - at};
        }
        if (!took(::sendmsg(fd, &message, MSG_DONTWAIT | MSG_NOSIGNAL))) break;
    }
    const std::size_t taken = s.sent - before;
    if (taken > 0) {
        clients_[s.client].unread -= taken;
        unread_ -= taken;
        s.idleEnd = Clock::now() + limits_.writeIdle;
    }
    if (!failed && s.sent < size) return true;
    if (failed)
        drop(fd);
    else if (s.keepOpen)
        awaitNext(fd);
    else
        closeAfterReply(fd);
    return false;
}

void ConnectionGate::closeAfterReply(int fd) {
    // Bytes the client sent past its last request would turn the close into a reset, which can
    // cost it the reply: then what it sends is read and dropped for a while first.
    char extra[256];
    const ssize_t n = ::recv(fd, extra, sizeof extra, MSG_DONTWAIT);
    if (n <= 0 || draining_ >= limits_.maxDraining) {
        drop(fd);
        return;
    }
    auto found = sending_.find(fd);
    const bool watched = found->second.watched;
    Waiting w;
    w.client = std::move(found->second.client);
    sending_.erase(found);
    ::shutdown(fd, SHUT_WR);
    epoll_event e{};
    e.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
    e.data.fd = fd;
    w.counted = true;
    w.draining = true;
    const auto now = Clock::now();
    w.deadline = now + limits_.drainIdle;
    w.drainEnd = now + limits_.drainTime;
    waiting_.emplace(fd, std::move(w));
    ++draining_;
    if (epoll_ctl(epoll_, watched ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &e) != 0) {
        drop(fd);
        return;
    }
    drain(fd);
}

void ConnectionGate::awaitNext(int fd) {
    auto found = sending_.find(fd);
    const bool watched = found->second.watched;
    // Still watched for arrivals with nothing of the next request in yet: its bytes will wake the
    // gate as they come, and the events need no change.
    const bool unchanged = found->second.arrivalsWatched && !found->second.morePending;
    Waiting w;
    w.client = std::move(found->second.client);
    w.requests = found->second.requests;
    sending_.erase(found);
    w.counted = true;
    w.idle = true;
    w.accepted = Clock::now();
    w.deadline = w.accepted + limits_.keepAliveIdle;
    // Edge-triggered: an event for every arrival of bytes, and one now if some are there.
    epoll_event e{};
    e.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
    e.data.fd = fd;
    waiting_.emplace(fd, std::move(w));
    ++waitingHeads_;
    if (!unchanged && epoll_ctl(epoll_, watched ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &e) != 0) drop(fd);
}

void ConnectionGate::expire(Clock::time_point now) {
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        const int fd = it->first;
        const Waiting& w = it->second;
        ++it;
        if (w.deadline > now) continue;
        // A kept connection that sends no next request is simply closed, as the client expects.
        if (w.draining || w.idle)
            drop(fd);
        else if (w.ready)
            refuse(fd, 503, "the service is busy; try again");
        else
            refuse(fd, 408, "the request did not arrive in time");
    }
    for (auto it = sending_.begin(); it != sending_.end();) {
        const int fd = it->first;
        const Sending& s = it->second;
        ++it;
        // A client that takes nothing, or takes too long, loses the rest of its reply.
        if (s.idleEnd <= now || s.end <= now) drop(fd);
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
    auto it = waiting_.find(fd);
    if (it != waiting_.end() && it->second.ready) {
        std::deque<int>& ready = clients_[it->second.client].ready;
        ready.erase(std::remove(ready.begin(), ready.end(), fd), ready.end());
    }
    // Closing with unread bytes would reset the connection and could cost the client the reply:
    // what it still sends is read and dropped for a while first, for as many as the limit allows.
    const bool watched = it != waiting_.end();
    if (draining_ >= limits_.maxDraining) {
        if (watched)
            drop(fd);
        else
            ::close(fd);
        return;
    }
    if (!watched) {
        if (!watchArrivals(fd)) {
            ::close(fd);
            return;
        }
        it = waiting_.emplace(fd, Waiting{}).first;
    } else {
        --waitingHeads_;
    }
    ++draining_;
    const auto now = Clock::now();
    Waiting& w = it->second;
    w.deadline = now + limits_.drainIdle;
    w.draining = true;
    w.ready = false;
    w.drainEnd = now + limits_.drainTime;
    drain(fd);
}

bool ConnectionGate::watchArrivals(int fd) {
    // Edge-triggered: an event for every arrival of bytes, and one now if some are there.
    epoll_event e{};
    e.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
    e.data.fd = fd;
    return epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &e) == 0;
}

void ConnectionGate::drain(int fd) {
    char dropped[16 * 1024];
    // At most 256 KiB a turn: a client that never stops sending must not keep the gate from the
    // other connections; the rest is read at its next turn, until the drain's end.
    for (int turn = 0; turn < 16; ++turn) {
        const ssize_t n = ::recv(fd, dropped, sizeof dropped, MSG_DONTWAIT);
        if (n > 0 || (n < 0 && errno == EINTR)) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Closed once the client has been quiet a while, or at the latest at the drain's end.
            Waiting& w = waiting_[fd];
            w.deadline = std::min(w.drainEnd, Clock::now() + limits_.drainIdle);
            return;
        }
        drop(fd); // the client has finished, or the connection failed
        return;
    }
    Waiting& w = waiting_[fd];
    if (Clock::now() >= w.drainEnd) {
        drop(fd);
        return;
    }
    w.deadline = std::min(w.drainEnd, Clock::now() + limits_.drainIdle);
}

void ConnectionGate::forget(int fd) {
    auto it = waiting_.find(fd);
    if (it == waiting_.end()) return;
    if (it->second.draining)
        --draining_;
    else
        --waitingHeads_;
    waiting_.erase(it);
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
}

void ConnectionGate::drop(int fd) {
    std::string client;
    bool counted = false;
    if (auto w = waiting_.find(fd); w != waiting_.end()) {
        client = w->second.client;
        counted = w->second.counted;
        forget(fd);
    } else if (auto s = sending_.find(fd); s != sending_.end()) {
        client = s->second.client;
        counted = true;
        const std::size_t left = s->second.size() - s->second.sent;
        clients_[client].unread -= left;
        unread_ -= left;
        if (s->second.watched) epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
        sending_.erase(s);
    }
    ::close(fd);
    if (!counted) return;
    auto c = clients_.find(client);
    if (c == clients_.end()) return;
    --c->second.connections;
    if (c->second.connections == 0 && c->second.served == 0 && c->second.ready.empty()) clients_.erase(c);
}

GatedServer::GatedServer(GateLimits limits)
    : gate_(limits, [this](int fd, std::chrono::steady_clock::time_point deadline,
                           ConnectionGate::RequestShape shape) { serveReady(fd, deadline, shape); }) {
    new_task_queue = [] { return new InlineTaskQueue; };
}

GatedServer::~GatedServer() {
    gate_.shutdown();
}

void GatedServer::widenBacklog() {
    const int fd = svr_sock_;
    if (fd >= 0) ::listen(fd, SOMAXCONN);
}

void GatedServer::serve() {
    {
        std::unique_lock<std::mutex> lock(haltMutex_);
        if (!halting_) {
            gate_.listenOn(svr_sock_);
            halted_.wait(lock, [this] { return halting_; });
        }
    }
    gate_.shutdown();
    const int listening = svr_sock_.exchange(INVALID_SOCKET);
    if (listening != INVALID_SOCKET) ::close(listening);
}

void GatedServer::halt() {
    std::lock_guard<std::mutex> lock(haltMutex_);
    halting_ = true;
    halted_.notify_all();
}

bool GatedServer::process_and_close_socket(socket_t sock) {
    gate_.admit(sock);
    return true;
}

void GatedServer::serveReady(int fd, std::chrono::steady_clock::time_point deadline,
                             ConnectionGate::RequestShape shape) {
    GateStream stream(fd,
                      std::chrono::seconds(read_timeout_sec_) + std::chrono::microseconds(read_timeout_usec_),
                      deadline, shape.length);
    // The gate has decided, from the whole head, whether the connection stays: the library itself
    // knows "close" only in lower case, and keeps an HTTP/1.0 client only for "Keep-Alive" exactly.
    bool closedByLibrary = false;
    const bool answered = process_request(stream, !shape.keepAlive, closedByLibrary, nullptr);
    gate_.reply(fd, stream.takeReply(), answered && shape.keepAlive && stream.readWhole());
}

} // namespace vxs
