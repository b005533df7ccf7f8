#include "tests/e2e/harness/web_service.h"

#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace vx::e2e {

namespace {

constexpr int kStartMs = 30000;

std::string portFrom(PlayerProcess& service, const std::string& prefix) {
    const std::optional<std::string> line = service.waitForLine(prefix, kStartMs);
    if (!line) throw std::runtime_error("the service did not report " + prefix + service.errorText());
    return line->substr(prefix.size());
}

// Closes the socket on every way out.
struct Socket {
    int fd;
    ~Socket() {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

WebService::WebService(const std::string& logPath, const std::vector<std::string>& extraArgs)
    : logPath_(logPath) {
    std::vector<std::string> args{"--port", "0", "--iploc-port", "0", "--log", logPath};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    process_ = std::make_unique<PlayerProcess>(VX_SERVICE_EXE, args, std::map<std::string, std::string>{});
    host_ = "127.0.0.1:" + portFrom(*process_, "port: ");
    iplocHost_ = "127.0.0.1:" + portFrom(*process_, "iploc-port: ");
}

WebService::~WebService() {
    stop();
}

void WebService::stop() {
    if (!process_) return;
    process_->terminate();
    process_->waitForExit(5000);
    process_.reset();
}

std::vector<std::string> WebService::logLines() const {
    std::vector<std::string> lines;
    std::ifstream in(logPath_);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::size_t WebService::requestsMatching(const std::string& part) const {
    std::size_t n = 0;
    for (const std::string& line : logLines())
        n += line.find(part) != std::string::npos;
    return n;
}

std::string httpGet(const std::string& hostPort, const std::string& target) {
    const std::size_t colon = hostPort.rfind(':');
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(std::stoi(hostPort.substr(colon + 1))));
    if (inet_pton(AF_INET, hostPort.substr(0, colon).c_str(), &addr.sin_addr) != 1)
        throw std::runtime_error("not a loopback address: " + hostPort);
    Socket s{::socket(AF_INET, SOCK_STREAM, 0)};
    if (s.fd < 0 || ::connect(s.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw std::runtime_error("cannot connect to " + hostPort);
    const std::string request = "GET " + target + " HTTP/1.0\r\nHost: " + hostPort + "\r\n\r\n";
    if (::send(s.fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()))
        throw std::runtime_error("cannot send to " + hostPort);
    std::string reply;
    char buf[16384];
    for (ssize_t n; (n = ::recv(s.fd, buf, sizeof buf, 0)) > 0;)
        reply.append(buf, static_cast<std::size_t>(n));
    const std::size_t body = reply.find("\r\n\r\n");
    if (reply.compare(0, 12, "HTTP/1.1 200") != 0 && reply.compare(0, 12, "HTTP/1.0 200") != 0)
        throw std::runtime_error("GET " + target + " answered: " + reply.substr(0, 80));
    return body == std::string::npos ? "" : reply.substr(body + 4);
}

} // namespace vx::e2e
