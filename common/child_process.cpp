#include "common/child_process.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vx {

namespace {

// posix_spawn file actions, destroyed on every path.
class SpawnActions {
  public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

    void connect(const ChildStream& stream, int target, int devNullFlags) {
        if (stream.kind == ChildStream::Kind::devNull)
            posix_spawn_file_actions_addopen(&actions_, target, "/dev/null", devNullFlags, 0);
        else if (stream.kind == ChildStream::Kind::descriptor)
            posix_spawn_file_actions_adddup2(&actions_, stream.fd, target);
    }

  private:
    posix_spawn_file_actions_t actions_;
};

// A null-terminated vector of pointers into texts that outlive it.
std::vector<char*> pointersTo(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (const std::string& text : texts)
        pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

pid_t spawnChild(const std::string& program, const std::vector<std::string>& argv,
                 const ChildOptions& options) {
    SpawnActions actions;
    actions.connect(options.input, STDIN_FILENO, O_RDONLY);
    actions.connect(options.output, STDOUT_FILENO, O_WRONLY);
    actions.connect(options.errors, STDERR_FILENO, O_WRONLY);
    if (!options.workingDir.empty())
        posix_spawn_file_actions_addchdir_np(actions.get(), options.workingDir.c_str());
    std::vector<char*> args = pointersTo(argv);
    std::vector<char*> env;
    if (options.environment) env = pointersTo(*options.environment);
    char* const* envp = options.environment ? env.data() : environ;
    pid_t pid = -1;
    const int rc = options.searchPath
                       ? posix_spawnp(&pid, program.c_str(), actions.get(), nullptr, args.data(), envp)
                       : posix_spawn(&pid, program.c_str(), actions.get(), nullptr, args.data(), envp);
    return rc == 0 ? pid : -1;
}

int waitForChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace vx
