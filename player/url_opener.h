#pragma once
// Opens URLs in the desktop's browser through xdg-open, started directly (never through a
// shell) with the URL as its one argument; finished children are reaped as they exit.
#include <string>
#include <sys/types.h>
#include <vector>

namespace vx::player {

class UrlOpener {
  public:
    UrlOpener() = default;
    UrlOpener(const UrlOpener&) = delete;
    UrlOpener& operator=(const UrlOpener&) = delete;
    ~UrlOpener() { reap(); }

    // False when the program could not be started. program is looked up on PATH.
    bool open(const std::string& url, const std::string& program = "xdg-open");
    // Collects children that have exited; returns how many are still running.
    size_t reap();

  private:
    std::vector<pid_t> children_;
};

} // namespace vx::player
