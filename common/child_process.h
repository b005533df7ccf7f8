#pragma once
// Starting a program as a child process: the program itself with an argument vector, never a
// shell, so nothing in an argument can run as a command. Each standard stream is inherited,
// tied to /dev/null or to a descriptor of the caller's.
#include <string>
#include <sys/types.h>
#include <vector>

namespace vx {

struct ChildStream {
    enum class Kind { inherit, devNull, descriptor };
    Kind kind = Kind::inherit;
    int fd = -1;

    static ChildStream inherited() { return {}; }
    static ChildStream devNull() { return {Kind::devNull, -1}; }
    static ChildStream to(int fd) { return {Kind::descriptor, fd}; }
};

struct ChildOptions {
    ChildStream input, output, errors;
    // Looks the program up on PATH when it names no folder.
    bool searchPath = false;
    // Empty: the caller's working folder.
    std::string workingDir;
    // "NAME=value" entries; null: the caller's environment.
    const std::vector<std::string>* environment = nullptr;
};

// Starts program with argv (argv[0] included); the child's id, or -1 when it could not start.
pid_t spawnChild(const std::string& program, const std::vector<std::string>& argv,
                 const ChildOptions& options = {});

// Waits for the child to end: its exit status, or -1 when it was killed by a signal or could
// not be waited for.
int waitForChild(pid_t pid);

} // namespace vx
