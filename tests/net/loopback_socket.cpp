#include "tests/net/loopback_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace vx::test {

namespace {
constexpr int kSliceMs = 20;
constexpr std::size_t kMaxRequest = 64 * 1024;
} // namespace

int openLoopbackListener(int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(fd);
        throw std::runtime_error("bind");
    }
    *port = ntohs(addr.sin_port);
    return fd;
}

bool waitFor(int fd, short events, const std::atomic<bool>& stopping) {
    while (!stopping) {
        pollfd p{fd, events, 0};
        const int r = poll(&p, 1, kSliceMs);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
    }
    return false;
}

bool sendAll(int fd, const char* data, std::size_t length, const std::atomic<bool>& stopping) {
    std::size_t sent = 0;
    while (sent < length) {
        if (!waitFor(fd, POLLOUT, stopping)) return false;
        const ssize_t n = send(fd, data + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            sent += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
    }
    return true;
}

std::string readRequestHead(int fd, const std::atomic<bool>& stopping) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequest) {
        if (!waitFor(fd, POLLIN, stopping)) break;
        const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            request.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return request;
}

} // namespace vx::test
