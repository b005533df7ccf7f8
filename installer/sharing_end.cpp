#include "installer/sharing_end.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vx::installer {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDefaultHost = "127.0.0.1:8460";
constexpr auto kRequestBudget = std::chrono::seconds(3);

class Socket {
  public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

struct AddressList {
    addrinfo* list = nullptr;
    ~AddressList() {
        if (list) freeaddrinfo(list);
    }
};

// The first bytes of a small file, "" when it cannot be read.
std::string fileStart(const std::string& path, std::size_t bytes) {
    std::ifstream in(path, std::ios::binary);
    std::string text(bytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(bytes));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

bool isUuid(const std::string& text) {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
}

// A host name or address with an optional port, as the plug-in accepts it.
bool isHostAndPort(const std::string& line) {
    const std::size_t colon = line.find(':');
    const std::string host = line.substr(0, colon);
    if (host.empty() || line.size() > 127) return false;
    for (char c : host)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') return false;
    if (colon == std::string::npos) return true;
    const std::string port = line.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long value = std::stol(port);
    return value >= 1 && value <= 65535;
}

int msLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool waitFor(int fd, short events, Clock::time_point deadline) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&p, 1, msLeft(deadline));
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

// A connected socket to one of host's addresses, or -1.
int connectWithin(const std::string& host, const std::string& port, Clock::time_point deadline) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    AddressList found;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found.list) != 0) return -1;
    for (addrinfo* a = found.list; a && msLeft(deadline) > 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        Socket s(fd);
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) continue;
        int error = 0;
        socklen_t length = sizeof error;
        if (!waitFor(fd, POLLOUT, deadline) || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ||
            error != 0)
            continue;
        return s.release();
    }
    return -1;
}

} // namespace

std::string installationUuid(const std::string& dataFolder) {
    const std::string text = fileStart(dataFolder + "/vxt", 36);
    return isUuid(text) ? text : "";
}

std::string webServiceHost(const std::string& dataFolder) {
    std::string line = fileStart(dataFolder + "/VoxtrailServices", 4096);
    line = line.substr(0, line.find_first_of("\r\n"));
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return kDefaultHost;
    line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
    return isHostAndPort(line) ? line : kDefaultHost;
}

bool requestSharingEnd(const std::string& host, const std::string& uuid, std::chrono::milliseconds budget) {
    const auto deadline = Clock::now() + budget;
    const std::size_t colon = host.find(':');
    const std::string name = host.substr(0, colon);
    const std::string port = colon == std::string::npos ? "80" : host.substr(colon + 1);
    Socket s(connectWithin(name, port, deadline));
    if (s.fd() < 0) return false;
    const std::string request = "GET /sharing/sharing.php?TODO=REMOVE_INSTALLATION&UUID=" + uuid +
                                " HTTP/1.1\r\nHost: " + host +
                                "\r\nUser-Agent: Voxtrail_Installer\r\nConnection: close\r\n\r\n";
    for (std::size_t sent = 0; sent < request.size();) {
        if (!waitFor(s.fd(), POLLOUT, deadline)) return false;
        const ssize_t n = ::send(s.fd(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (n > 0) sent += static_cast<std::size_t>(n);
    }
    // The reply is a status line and a sentence; more is not read.
    std::string reply;
    char buffer[1024];
    while (reply.size() < 16384) {
        if (!waitFor(s.fd(), POLLIN, deadline)) return false;
        const ssize_t n = ::recv(s.fd(), buffer, sizeof buffer, 0);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return false;
        }
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t body = reply.find("\r\n\r\n");
    return reply.size() > 13 && reply.rfind("HTTP/1.", 0) == 0 && reply.compare(8, 5, " 200 ") == 0 &&
           body != std::string::npos && reply.find("Error", body) == std::string::npos;
}

std::string endSharingBeforeRemoval(const std::string& dataFolder) {
    const std::string uuid = installationUuid(dataFolder);
    if (uuid.empty()) return "";
    const std::string host = webServiceHost(dataFolder);
    if (requestSharingEnd(host, uuid, kRequestBudget)) return "";
    return "The Voxtrail service (" + host +
           ") could not be reached, so any shows you shared stay visible to your friends and in your "
           "calendar feed.";
}

} // namespace vx::installer
