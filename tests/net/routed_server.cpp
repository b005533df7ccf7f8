#include "tests/net/routed_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSliceMs = 20;
constexpr std::size_t kMaxRequest = 64 * 1024;

bool waitFor(int fd, short events, const std::atomic<bool>& stopping) {
    while (!stopping) {
        pollfd p{fd, events, 0};
        const int r = poll(&p, 1, kSliceMs);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
    }
    return false;
}

class Socket {
  public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

} // namespace

RoutedServer::RoutedServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw std::runtime_error("socket");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(listener_);
        throw std::runtime_error("bind");
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { run(); });
}

RoutedServer::~RoutedServer() {
    stop();
}

std::string RoutedServer::host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::vector<std::string> RoutedServer::targets() {
    std::lock_guard<std::mutex> lock(mutex_);
    return targets_;
}

void RoutedServer::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
}

void RoutedServer::run() {
    while (waitFor(listener_, POLLIN, stopping_)) {
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) serve(fd);
    }
}

void RoutedServer::serve(int fd) {
    Socket connection(fd);
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequest) {
        if (!waitFor(fd, POLLIN, stopping_)) return;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    // "GET <target> HTTP/1.1"
    const std::size_t from = request.find(' ');
    const std::size_t to = from == std::string::npos ? from : request.find(' ', from + 1);
    const std::string target = to == std::string::npos ? "" : request.substr(from + 1, to - from - 1);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        targets_.push_back(target);
    }
    const std::optional<std::string> page = handler_(target);
    const std::string reply = page ? "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page->size()) +
                                         "\r\nConnection: close\r\n\r\n" + *page
                                   : std::string("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    std::size_t sent = 0;
    while (sent < reply.size()) {
        if (!waitFor(fd, POLLOUT, stopping_)) return;
        const ssize_t n = send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}
