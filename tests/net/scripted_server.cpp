#include "tests/net/scripted_server.h"

#include "tests/net/loopback_socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

using vx::test::sendAll;
using vx::test::waitFor;

std::vector<std::shared_ptr<const CannedReply>> ScriptedServer::shared(std::vector<CannedReply> script) {
    std::vector<std::shared_ptr<const CannedReply>> replies;
    for (CannedReply& r : script)
        replies.push_back(std::make_shared<const CannedReply>(std::move(r)));
    return replies;
}

ScriptedServer::ScriptedServer(std::vector<CannedReply> script) : script_(shared(std::move(script))) {
    listener_ = vx::test::openLoopbackListener(&port_);
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
        const std::string request = vx::test::readRequestHead(fd, stopping_);
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
    } else if (reply.then == CannedReply::Then::trickle) {
        // One byte per tenth of a second, ended by the client going or the server stopping.
        while (!stopping_ && sendAll(fd, "x", 1, stopping_))
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}
