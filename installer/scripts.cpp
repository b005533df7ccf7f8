#include "installer/scripts.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vx::installer {

namespace {

class FileActions {
  public:
    FileActions() { posix_spawn_file_actions_init(&a_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&a_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &a_; }

  private:
    posix_spawn_file_actions_t a_;
};

int waitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

std::optional<std::string> runScript(const std::string& path, bool captureOutput) {
    if (access(path.c_str(), R_OK) != 0) return std::nullopt;
    int out[2] = {-1, -1};
    if (captureOutput && pipe2(out, O_CLOEXEC) != 0) return std::nullopt;

    FileActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (captureOutput)
        posix_spawn_file_actions_adddup2(actions.get(), out[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string shell = "/bin/sh";
    std::string script = path;
    char* argv[] = {shell.data(), script.data(), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, shell.c_str(), actions.get(), nullptr, argv, environ);

    std::string output;
    if (captureOutput) {
        close(out[1]);
        if (spawned == 0) {
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
    if (spawned != 0) return std::nullopt;
    if (waitFor(pid) != 0) return std::nullopt;
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
