// Sockets of the HTTP client: name look-up, connect, and the sliced waits for data.
#include "plugin/net/http_socket.h"
#include "plugin/net/http_fetcher.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// The longest single poll, so that a stop request is seen within this time.
constexpr int kSliceMs = 50;

enum class Wait { ready, timedOut, stopped, failed };

// Waits until fd shows one of events or the deadline passes.
Wait waitFor(int fd, short events, const HttpDeadline& deadline, const HttpCancelCheck& cancel) {
    for (;;) {
        if (cancel.stopRequested()) return Wait::stopped;
        int slice = kSliceMs;
        if (deadline.limited) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline.at - Clock::now()).count();
            slice = static_cast<int>(std::clamp<long long>(left, 0, kSliceMs));
        }
        pollfd p{fd, events, 0};
        int r = poll(&p, 1, slice);
        if (r > 0) return Wait::ready;
        if (r < 0 && errno != EINTR) return Wait::failed;
        if (r == 0 && deadline.limited && Clock::now() >= deadline.at) return Wait::timedOut;
    }
}

// Reads a decimal port; -1 when the text is not one.
int parsePort(const char* text) {
    if (!*text) return -1;
    long value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return -1;
        value = value * 10 + (*p - '0');
        if (value > 65535) return -1;
    }
    return static_cast<int>(value);
}

struct AddrInfoList {
    addrinfo* head = nullptr;
    ~AddrInfoList() {
        if (head) freeaddrinfo(head);
    }
};

} // namespace

HttpDeadline HttpDeadline::after(int seconds) {
    HttpDeadline d;
    d.seconds = seconds;
    d.limited = seconds >= 0;
    if (d.limited) d.at = Clock::now() + std::chrono::seconds(seconds);
    return d;
}

void HttpSocket::close() {
    if (fd_ >= 0) my_closesocket(fd_);
    fd_ = -1;
}

int httpConnect(char* hostAndPort, const HttpDeadline& deadline, const HttpCancelCheck& cancel) {
    if (!hostAndPort) return httpFailResolver(EAI_NONAME);
    int port = 80;
    if (char* colon = std::strchr(hostAndPort, ':')) {
        *colon = '\0';
        port = parsePort(colon + 1);
        if (port < 0) return httpFailSystem(EINVAL);
    }
    if (!*hostAndPort) return httpFailResolver(EAI_NONAME);
    if (cancel.stopRequested()) return httpFailClient(HTTP_ERR_STOPPED);

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    char service[12];
    std::snprintf(service, sizeof service, "%d", port);
    AddrInfoList found;
    int rc = getaddrinfo(hostAndPort, service, &hints, &found.head);
    if (rc == EAI_SYSTEM) return httpFailSystem(errno);
    if (rc != 0 || !found.head) return httpFailResolver(rc ? rc : EAI_NONAME);

    // The first address of the host is the one used.
    const addrinfo* a = found.head;
    HttpSocket sock(socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
    if (!sock.isOpen()) return httpFailSystem(errno);
    if (connect(sock.fd(), a->ai_addr, a->ai_addrlen) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) return httpFailSystem(errno);
        // The connect spends the fetch's time like any other wait, and a stop request ends it.
        Wait w = waitFor(sock.fd(), POLLOUT, deadline, cancel);
        if (w == Wait::stopped) return httpFailClient(HTTP_ERR_STOPPED);
        if (w == Wait::timedOut) return httpFailClient(HTTP_ERR_HEADER_TIMEOUT, deadline.seconds);
        if (w == Wait::failed) return httpFailSystem(errno);
        int soError = 0;
        socklen_t len = sizeof soError;
        if (getsockopt(sock.fd(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0) return httpFailSystem(errno);
        if (soError != 0) return httpFailSystem(soError);
    }
    return sock.release();
}

int makeSocket(char* hostAndPort) {
    return httpConnect(hostAndPort, HttpDeadline::after(-1), httpCancelCheck());
}

ssize_t httpReadSome(int fd, void* buffer, size_t length, const HttpDeadline& deadline, int timeoutIndex,
                     const HttpCancelCheck& cancel) {
    for (;;) {
        if (cancel.stopRequested()) return httpFailClient(HTTP_ERR_STOPPED);
        ssize_t n = my_readsocket(fd, buffer, length);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return httpFailSystem(errno);
        switch (waitFor(fd, POLLIN, deadline, cancel)) {
        case Wait::ready:
            break;
        case Wait::timedOut:
            return httpFailClient(timeoutIndex, deadline.seconds);
        case Wait::stopped:
            return httpFailClient(HTTP_ERR_STOPPED);
        case Wait::failed:
            return httpFailSystem(errno);
        }
    }
}

int httpWriteAll(int fd, const char* buffer, size_t length, const HttpDeadline& deadline,
                 const HttpCancelCheck& cancel) {
    size_t sent = 0;
    while (sent < length) {
        ssize_t n = my_writesocket(fd, buffer + sent, length - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return httpFailSystem(errno);
        switch (waitFor(fd, POLLOUT, deadline, cancel)) {
        case Wait::ready:
            break;
        case Wait::timedOut:
            return httpFailSystem(ETIMEDOUT);
        case Wait::stopped:
            return httpFailClient(HTTP_ERR_STOPPED);
        case Wait::failed:
            return httpFailSystem(errno);
        }
    }
    return 0;
}

ssize_t my_readsocket(int socket, void* buffer, size_t length) {
    return read(socket, buffer, length);
}

// send() rather than write(): a peer that has gone must give EPIPE, not kill the host with SIGPIPE.
ssize_t my_writesocket(int socket, const void* buffer, size_t length) {
    return send(socket, buffer, length, MSG_NOSIGNAL);
}

int my_closesocket(int socket) {
    return close(socket);
}
