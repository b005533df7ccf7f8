#include "player/url_opener.h"

#include "common/child_process.h"

#include <algorithm>
#include <sys/wait.h>

namespace vx::player {

bool UrlOpener::open(const std::string& url, const std::string& program) {
    reap();
    // The opener's chatter must not mix with the player's own output lines.
    ChildOptions options;
    options.input = ChildStream::devNull();
    options.output = ChildStream::devNull();
    options.searchPath = true;
    const pid_t pid = spawnChild(program, {program, url}, options);
    if (pid < 0) return false;
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
