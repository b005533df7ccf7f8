// The player's start-up with a given library: headless, shown once, one idle frame, then quit.
// Prints the median wall time of the whole run and its peak resident memory over several runs.
// usage: bench_player_startup LIBRARY.xml [RUNS]
#include "bench/bench_timing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_player_startup LIBRARY.xml [RUNS]\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::string home = (fs::temp_directory_path() / "vxstartup.XXXXXX").string();
    if (!mkdtemp(home.data())) return 1;
    setenv("HOME", home.c_str(), 1);
    const std::string script = home + "/script.txt";
    std::ofstream(script) << "show 640 480\nidle 1\nquit\n";

    std::vector<double> wall;
    long peakKib = 0;
    bool ok = true;
    for (int r = 0; r < runs; ++r) {
        std::vector<std::string> args = {VX_PLAYER_BIN, "--headless", "--script",
                                         script,        "--library",  argv[1]};
        std::vector<char*> argvOut;
        for (std::string& a : args)
            argvOut.push_back(a.data());
        argvOut.push_back(nullptr);
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        const auto start = vx::bench::Clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, argvOut[0], &quiet, nullptr, argvOut.data(), environ) != 0) ok = false;
        posix_spawn_file_actions_destroy(&quiet);
        int status = 0;
        rusage usage{};
        if (ok && wait4(pid, &status, 0, &usage) == pid) {
            wall.push_back(vx::bench::millisecondsOf(start));
            peakKib = std::max(peakKib, usage.ru_maxrss);
            ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
    }
    fs::remove_all(home);
    if (wall.empty()) return 1;
    std::printf(
        "player start-up to its first frame and quit, %s: median %.0f ms over %zu runs, peak %.1f MiB\n",
        argv[1], vx::bench::median(wall), wall.size(), peakKib / 1024.0);
    return ok ? 0 : 1;
}
