#include "tests/service/service_process.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef VX_SERVICE_BIN
#error "VX_SERVICE_BIN must name the voxtrail-service program"
#endif

namespace {

std::string readAll(int fd, int timeoutMs) {
    std::string data;
    char buf[65536];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) break;
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    return data;
}

RawReply splitReply(const std::string& data) {
    RawReply r;
    std::size_t end = data.find("\r\n\r\n");
    if (end == std::string::npos) return r;
    r.ok = true;
    r.head = data.substr(0, end);
    r.body = data.substr(end + 4);
    if (r.head.rfind("HTTP/", 0) == 0) {
        std::size_t blank = r.head.find(' ');
        if (blank != std::string::npos) r.status = std::atoi(r.head.c_str() + blank + 1);
    }
    return r;
}

std::vector<char*> argvOf(const std::vector<std::string>& args) {
    std::vector<char*> v;
    for (const std::string& a : args)
        v.push_back(const_cast<char*>(a.c_str()));
    v.push_back(nullptr);
    return v;
}

} // namespace

int connectFrom(const char* from, int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    if (from && (inet_pton(AF_INET, from, &addr.sin_addr) != 1 ||
                 bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)) {
        close(fd);
        return -1;
    }
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

RawReply rawExchange(int port, const std::string& bytes, bool endAfterSending, const char* from) {
    const int fd = connectFrom(from, port);
    if (fd < 0) return {};
    std::string data;
    {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        // Nothing more comes from this side, so a request cut short ends at once.
        if (endAfterSending) shutdown(fd, SHUT_WR);
        data = readAll(fd, 10000);
    }
    close(fd);
    return splitReply(data);
}

RawReply rawGet(int port, const std::string& path, const char* from) {
    return rawExchange(port,
                       "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                           "\r\nReferer: \r\nUser-Agent: \r\nConnection: Close\r\n\r\n",
                       false, from);
}

ServiceProcess::ServiceProcess(const std::vector<std::string>& extraArgs) {
    char dir[] = "/tmp/vx-service-test-XXXXXX";
    if (!mkdtemp(dir)) return;
    logPath_ = std::string(dir) + "/requests.log";
    std::vector<std::string> args{VX_SERVICE_BIN, "--port", "0", "--iploc-port", "0", "--log", logPath_};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    int out[2];
    if (pipe(out) != 0) return;
    pid_t parent = getpid();
    std::vector<char*> argv = argvOf(args);
    pid_ = fork();
    if (pid_ == 0) {
        // The service goes with the test process, even when the test dies.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buf[256];
    while (text.find("iploc-port: ") == std::string::npos || text.back() != '\n') {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) break;
        ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    close(out[0]);
    std::sscanf(text.c_str(), "port: %d\niploc-port: %d", &port_, &iplocPort_);
}

ServiceProcess::~ServiceProcess() {
    stop();
    if (!logPath_.empty()) {
        std::remove(logPath_.c_str());
        rmdir(logPath_.substr(0, logPath_.rfind('/')).c_str());
    }
}

int ServiceProcess::stop(int signal) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> ServiceProcess::logLines() const {
    std::vector<std::string> lines;
    std::ifstream in(logPath_);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

int runProgram(const std::vector<std::string>& args, std::string* stdoutText, bool alsoStderr) {
    int out[2];
    if (pipe(out) != 0) return -1;
    std::vector<char*> argv = argvOf(args);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        if (alsoStderr) dup2(out[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text = readAll(out[0], 60000);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (stdoutText) *stdoutText = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
