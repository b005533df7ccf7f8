#include "common/child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

// Runs the program with its output on a pipe: what it printed and its exit status.
std::pair<std::string, int> run(const std::string& program, const std::vector<std::string>& argv,
                                vx::ChildOptions options = {}) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return {"", -2};
    options.output = vx::ChildStream::to(out[1]);
    const pid_t pid = vx::spawnChild(program, argv, options);
    close(out[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    return {text, pid < 0 ? -2 : vx::waitForChild(pid)};
}

} // namespace

TEST(ChildProcess, ArgumentsReachTheProgramWithoutAShell) {
    EXPECT_EQ(run("/bin/echo", {"echo", "a; exit 3", "$HOME", "`id`"}),
              std::make_pair(std::string("a; exit 3 $HOME `id`\n"), 0));
    EXPECT_EQ(run("/bin/sh", {"sh", "-c", "exit 7"}).second, 7);
    EXPECT_EQ(vx::spawnChild("/nonexistent/program", {"program"}), -1);
    vx::ChildOptions onPath;
    onPath.searchPath = true;
    EXPECT_EQ(run("echo", {"echo", "found"}, onPath).first, "found\n");
}

TEST(ChildProcess, EnvironmentFolderAndInputAreTheCallersChoice) {
    const std::vector<std::string> env{"ONLY=this"};
    vx::ChildOptions options;
    options.environment = &env;
    options.workingDir = "/tmp";
    options.input = vx::ChildStream::devNull();
    EXPECT_EQ(run("/bin/sh", {"sh", "-c", "echo \"$ONLY ${HOME:-none} $(pwd)\"; cat"}, options).first,
              "this none /tmp\n");
    const pid_t killed = vx::spawnChild("/bin/sh", {"sh", "-c", "kill -9 $$"});
    EXPECT_EQ(vx::waitForChild(killed), -1);
}
