#pragma once
// What the benchmarks against a running web service share: a loopback connection, and one GET on
// a connection of its own, as the plug-in asks.
#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace vx::bench {

// From 127.0.0.1, or from another loopback address (the service limits each client's connections).
inline int connectTo(int port, const char* from = nullptr) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    if (fd >= 0 && from &&
        (inet_pton(AF_INET, from, &addr.sin_addr) != 1 ||
         bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)) {
        close(fd);
        return -1;
    }
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

// One GET on a connection of its own, read to the close; true for a 200.
inline bool get(int port, const std::string& path, const char* from = nullptr) {
    const int fd = connectTo(port, from);
    if (fd < 0) return false;
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    bool ok = send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
    std::string reply;
    char buffer[65536];
    for (ssize_t n; ok && (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return ok && reply.rfind("HTTP/1.1 200", 0) == 0;
}

} // namespace vx::bench
