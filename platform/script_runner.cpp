#include "platform/script_runner.h"

#include "common/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vx {

std::string findProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + name;
        struct stat sb;
        if (end > start && ::stat(candidate.c_str(), &sb) == 0 && S_ISREG(sb.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "";
}

int runProgram(const char* program, const char* const* argv, const char* input) {
    int in[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return -1;
    std::vector<std::string> args;
    for (const char* const* arg = argv; *arg; ++arg)
        args.emplace_back(*arg);
    ChildOptions options;
    options.input = ChildStream::to(in[0]);
    const pid_t pid = spawnChild(program, args, options);
    ::close(in[0]);
    if (pid < 0) {
        ::close(in[1]);
        return -1;
    }
    if (input) {
        // A child that stops reading must not end the host with SIGPIPE: block it on this
        // thread while writing and swallow one that arrived.
        sigset_t pipeSet, old;
        sigemptyset(&pipeSet);
        sigaddset(&pipeSet, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
        std::size_t left = std::strlen(input);
        bool broken = false;
        while (left > 0) {
            ssize_t n = ::write(in[1], input, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                broken = (errno == EPIPE);
                break;
            }
            input += n;
            left -= static_cast<std::size_t>(n);
        }
        if (broken) {
            const timespec zero{0, 0};
            sigtimedwait(&pipeSet, nullptr, &zero);
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
    }
    ::close(in[1]);
    return waitForChild(pid);
}

} // namespace vx
