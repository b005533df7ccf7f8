#include "tests/net/scripted_server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSliceMs = 20;
constexpr std::size_t kMaxRequest = 64 * 1024;

// Waits for events on fd in short slices; false when the server stops or the wait fails.
bool waitFor(int fd, short events, const std::atomic<bool>& stopping) {
    while (!stopping) {
        pollfd p{fd, events, 0};
        int r = poll(&p, 1, kSliceMs);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
    }
    return false;
}

// Sends all bytes; false when the client has gone or the server stops.
bool sendAll(int fd, const char* data, std::size_t length, const std::atomic<bool>& stopping) {
    std::size_t sent = 0;
    while (sent < length) {
        if (!waitFor(fd, POLLOUT, stopping)) return false;
        ssize_t n = send(fd, data + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            sent += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
    }
    return true;
}

} // namespace

std::vector<std::shared_ptr<const CannedReply>> ScriptedServer::shared(std::vector<CannedReply> script) {
    std::vector<std::shared_ptr<const CannedReply>> replies;
    for (CannedReply& r : script) replies.push_back(std::make_shared<const CannedReply>(std::move(r)));
    return replies;
}

ScriptedServer::ScriptedServer(std::vector<CannedReply> script) : script_(shared(std::move(script))) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw std::runtime_error("socket");
    int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(listener_);
        throw std::runtime_error("bind");
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { run(); });
}

ScriptedServer::~ScriptedServer() {
    stop();
}

std::string ScriptedServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void ScriptedServer::setScript(std::vector<CannedReply> script) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_ = shared(std::move(script));
    next_ = 0;
}

bool ScriptedServer::waitServed(int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return servedChanged_.wait_for(lock, std::chrono::seconds(5), [&] { return served_ >= count; });
}

int ScriptedServer::served() {
    std::lock_guard<std::mutex> lock(mutex_);
    return served_;
}

std::vector<std::string> ScriptedServer::requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void ScriptedServer::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
    servedChanged_.notify_all();
}

void ScriptedServer::run() {
    while (waitFor(listener_, POLLIN, stopping_)) {
        int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::shared_ptr<const CannedReply> reply;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!script_.empty()) reply = script_[std::min(next_, script_.size() - 1)];
            ++next_;
        }
        std::string request;
        readRequest(fd, request);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        if (reply) serve(fd, *reply);
        close(fd);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++served_;
        }
        servedChanged_.notify_all();
    }
}

void ScriptedServer::readRequest(int fd, std::string& request) {
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequest) {
        if (!waitFor(fd, POLLIN, stopping_)) return;
        ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            request.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return;
    }
}

void ScriptedServer::serve(int fd, const CannedReply& reply) {
    if (!sendAll(fd, reply.bytes.data(), reply.bytes.size(), stopping_)) return;
    if (reply.then == CannedReply::Then::holdOpen) {
        char buffer[256];
        while (waitFor(fd, POLLIN, stopping_)) {
            ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return;
        }
    } else if (reply.then == CannedReply::Then::streamForever) {
        const std::string filler(64 * 1024, 'x');
        while (sendAll(fd, filler.data(), filler.size(), stopping_)) {
        }
    }
}
