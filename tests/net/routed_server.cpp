#include "tests/net/routed_server.h"

#include "tests/net/loopback_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using vx::test::waitFor;

namespace {

// Closes the connection on every way out.
class Socket {
  public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

  private:
    int fd_;
};

} // namespace

RoutedServer::RoutedServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = vx::test::openLoopbackListener(&port_);
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
    const std::string request = vx::test::readRequestHead(fd, stopping_);
    if (request.find("\r\n\r\n") == std::string::npos) return;
    // "GET <target> HTTP/1.1"
    const std::size_t from = request.find(' ');
    const std::size_t to = from == std::string::npos ? from : request.find(' ', from + 1);
    const std::string target = to == std::string::npos ? "" : request.substr(from + 1, to - from - 1);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        targets_.push_back(target);
    }
    const std::optional<std::string> page = handler_(target);
    // A page that is itself a whole reply goes out as it stands (other statuses than 200).
    const bool whole = page && page->rfind("HTTP/1.", 0) == 0;
    const std::string reply = whole  ? *page
                              : page ? "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page->size()) +
                                           "\r\nConnection: close\r\n\r\n" + *page
                                     : std::string("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    vx::test::sendAll(fd, reply.data(), reply.size(), stopping_);
}
