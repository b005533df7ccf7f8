#include "player/url_opener.h"

#include <algorithm>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vx::player {

namespace {

// posix_spawn file actions, destroyed on every path.
class SpawnActions {
  public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

} // namespace

bool UrlOpener::open(const std::string& url, const std::string& program) {
    reap();
    SpawnActions actions;
    // The opener's chatter must not mix with the player's own output lines.
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string prog = program;
    std::string arg = url;
    char* argv[] = {prog.data(), arg.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, prog.c_str(), actions.get(), nullptr, argv, environ) != 0) return false;
    children_.push_back(pid);
    return true;
}

size_t UrlOpener::reap() {
    children_.erase(std::remove_if(children_.begin(), children_.end(),
                                   [](pid_t pid) {
                                       int status = 0;
                                       pid_t r = waitpid(pid, &status, WNOHANG);
                                       return r == pid || r < 0;
                                   }),
                    children_.end());
    return children_.size();
}

} // namespace vx::player
