#include "tests/e2e/harness/player_process.h"

#include "common/child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vx::e2e {

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// A pipe whose ends are closed unless released.
struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() {
        if (pipe2(fd, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    }
    ~Pipe() {
        for (int f : fd)
            if (f >= 0) ::close(f);
    }
    int release(int i) {
        int f = fd[i];
        fd[i] = -1;
        return f;
    }
};

} // namespace

PlayerProcess::PlayerProcess(const std::string& program, const std::vector<std::string>& args,
                             const std::map<std::string, std::string>& env, const std::string& workingDir) {
    std::map<std::string, std::string> merged;
    for (char** e = environ; *e; ++e) {
        std::string kv = *e;
        size_t eq = kv.find('=');
        if (eq != std::string::npos) merged[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    for (const auto& [k, v] : env)
        merged[k] = v;
    std::vector<std::string> envStrings;
    for (const auto& [k, v] : merged)
        envStrings.push_back(k + "=" + v);
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());

    Pipe in, out, err;
    ChildOptions options;
    options.input = ChildStream::to(in.fd[0]);
    options.output = ChildStream::to(out.fd[1]);
    options.errors = ChildStream::to(err.fd[1]);
    options.workingDir = workingDir;
    options.environment = &envStrings;
    pid_ = spawnChild(program, argv, options);
    if (pid_ < 0) throw std::runtime_error("cannot start " + program);
    in_ = in.release(1);
    out_ = out.release(0);
    err_ = err.release(0);
    // A child that stops reading must not kill the test with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
}

PlayerProcess::~PlayerProcess() {
    closeFd(in_);
    if (!exitStatus_ && pid_ > 0) {
        if (!waitForExit(2000)) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    closeFd(out_);
    closeFd(err_);
}

void PlayerProcess::terminate() {
    if (!exitStatus_ && pid_ > 0) ::kill(pid_, SIGTERM);
}

void PlayerProcess::kill() {
    if (!exitStatus_ && pid_ > 0) ::kill(pid_, SIGKILL);
    waitForExit(10000);
}

void PlayerProcess::closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

bool PlayerProcess::sendLine(const std::string& line) {
    if (in_ < 0) return false;
    std::string data = line + "\n";
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(in_, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void PlayerProcess::closeInput() {
    closeFd(in_);
}

void PlayerProcess::pump(int timeoutMs) {
    pollfd fds[2];
    int count = 0;
    if (out_ >= 0) fds[count++] = {out_, POLLIN, 0};
    if (err_ >= 0) fds[count++] = {err_, POLLIN, 0};
    if (count == 0) return;
    if (::poll(fds, count, timeoutMs) <= 0) return;
    for (int i = 0; i < count; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buf[4096];
        ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
        bool isOut = fds[i].fd == out_;
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            closeFd(isOut ? out_ : err_);
            continue;
        }
        (isOut ? outBuffer_ : errText_).append(buf, static_cast<size_t>(n));
    }
}

std::optional<std::string> PlayerProcess::readLine(int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        size_t nl = outBuffer_.find('\n');
        if (nl != std::string::npos) {
            std::string line = outBuffer_.substr(0, nl);
            outBuffer_.erase(0, nl + 1);
            lines_.push_back(line);
            return line;
        }
        if (out_ < 0) {
            if (outBuffer_.empty()) return std::nullopt;
            std::string line = std::move(outBuffer_);
            outBuffer_.clear();
            lines_.push_back(line);
            return line;
        }
        int left = remainingMs(deadline);
        if (left == 0) return std::nullopt;
        pump(left);
    }
}

std::optional<std::string> PlayerProcess::waitForLine(const std::string& prefix, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::optional<std::string> line = readLine(remainingMs(deadline));
        if (!line) return std::nullopt;
        if (line->rfind(prefix, 0) == 0) return line;
    }
}

bool PlayerProcess::waitIdle(int timeoutMs) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", timeoutMs / 1000.0);
    if (!sendLine(std::string("wait-idle ") + seconds)) return false;
    return waitForLine("wait-idle: ", timeoutMs + 5000).value_or("") == "wait-idle: ok";
}

std::optional<int> PlayerProcess::waitForExit(int timeoutMs) {
    if (exitStatus_) return exitStatus_;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            // What it wrote before it ended; a grandchild may hold the pipes, so not for ever.
            auto drainUntil = Clock::now() + std::chrono::seconds(2);
            while ((out_ >= 0 || err_ >= 0) && Clock::now() < drainUntil)
                pump(50);
            return exitStatus_;
        }
        int left = remainingMs(deadline);
        if (left == 0) return std::nullopt;
        // Keep draining so that a child blocked on a full pipe can go on.
        if (out_ >= 0 || err_ >= 0)
            pump(std::min(left, 20));
        else
            ::usleep(static_cast<useconds_t>(std::min(left, 20)) * 1000);
    }
}

const std::string& PlayerProcess::errorText() {
    pump(0);
    return errText_;
}

} // namespace vx::e2e
