#include "installer/scripts.h"

#include "common/child_process.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vx::installer {

std::optional<std::string> runScript(const std::string& path, bool captureOutput) {
    if (access(path.c_str(), R_OK) != 0) return std::nullopt;
    int out[2] = {-1, -1};
    if (captureOutput && pipe2(out, O_CLOEXEC) != 0) return std::nullopt;

    ChildOptions options;
    options.input = ChildStream::devNull();
    options.output = captureOutput ? ChildStream::to(out[1]) : ChildStream::devNull();
    const std::string shell = "/bin/sh";
    const pid_t pid = spawnChild(shell, {shell, path}, options);

    std::string output;
    if (captureOutput) {
        close(out[1]);
        if (pid >= 0) {
            char buffer[512];
            for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0;) {
                if (n > 0)
                    output.append(buffer, static_cast<std::size_t>(n));
                else if (errno != EINTR)
                    break;
            }
        }
        close(out[0]);
    }
    if (pid < 0) return std::nullopt;
    if (waitForChild(pid) != 0) return std::nullopt;
    return output;
}

bool playerIsRunning(const std::string& resources) {
    const std::optional<std::string> answer = runScript(resources + "/ASIsITunesOpen", true);
    return answer && answer->rfind("true", 0) == 0;
}

void startPlayer(const std::string& resources) {
    runScript(resources + "/ASOpenVxt", false);
}

} // namespace vx::installer
