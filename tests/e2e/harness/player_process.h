#pragma once
// A child process (normally vxplayer --headless) with its stdin, stdout and stderr on pipes:
// send lines, read stdout lines with a timeout, wait for the exit. The child is killed if it is
// still running when the object goes.
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vx::e2e {

class PlayerProcess {
  public:
    // Starts program with args; env entries are added to (or replace in) this process's
    // environment. Throws std::runtime_error when it cannot start.
    PlayerProcess(const std::string& program, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env, const std::string& workingDir = "");
    ~PlayerProcess();
    PlayerProcess(const PlayerProcess&) = delete;
    PlayerProcess& operator=(const PlayerProcess&) = delete;

    // False when the child no longer reads its input.
    bool sendLine(const std::string& line);
    void closeInput();

    // The next stdout line (without its line break), or nothing after timeoutMs or at the end.
    std::optional<std::string> readLine(int timeoutMs);
    // Reads lines until one starts with prefix; returns it, or nothing on timeout or end.
    std::optional<std::string> waitForLine(const std::string& prefix, int timeoutMs);
    // Asks the player to wait until the plug-in is idle; true when it said so within timeoutMs.
    bool waitIdle(int timeoutMs);
    // Every stdout line read so far.
    const std::vector<std::string>& linesRead() const { return lines_; }

    // Asks the child to end (SIGTERM), as a user stopping a server would.
    void terminate();
    // Ends the child at once (SIGKILL), as a crash or a power cut would, and waits for it.
    void kill();

    // The exit status (128 + signal when killed by one), or nothing when it has not ended in time.
    std::optional<int> waitForExit(int timeoutMs);
    // Everything the child wrote on stderr so far.
    const std::string& errorText();

  private:
    void pump(int timeoutMs); // reads whatever is ready on stdout and stderr
    void closeFd(int& fd);

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    std::string outBuffer_, errText_;
    std::vector<std::string> lines_;
    std::optional<int> exitStatus_;
};

} // namespace vx::e2e
