// The player's start-up with a given library: shown once, one idle frame, then quit; headless,
// then with its window (drawn off screen); in an empty home, then with the plug-in installed.
// Prints for each the median wall time of the whole run and its peak resident memory over
// several runs, and beside the plug-in's figures those without it.
// usage: bench_player_startup LIBRARY.xml [RUNS]
//        bench_player_startup --tracks N [RUNS]   (a generated library of N tracks, e.g. 500000)
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

namespace {

struct Figures {
    std::vector<double> wall;
    long peakKib = 0;
    bool ok = true;
};

Figures measure(const std::string& script, const std::string& library, int runs, bool window) {
    Figures f;
    for (int r = 0; r < runs; ++r) {
        std::vector<std::string> args = {VX_PLAYER_BIN, "--script", script, "--library", library};
        if (!window) args.insert(args.begin() + 1, "--headless");
        std::vector<char*> argvOut;
        for (std::string& a : args)
            argvOut.push_back(a.data());
        argvOut.push_back(nullptr);
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        const auto start = vx::bench::Clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, argvOut[0], &quiet, nullptr, argvOut.data(), environ) != 0) f.ok = false;
        posix_spawn_file_actions_destroy(&quiet);
        int status = 0;
        rusage usage{};
        if (f.ok && wait4(pid, &status, 0, &usage) == pid) {
            f.wall.push_back(vx::bench::millisecondsOf(start));
            f.peakKib = std::max(f.peakKib, usage.ru_maxrss);
            f.ok = f.ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
    }
    return f;
}

// A home of its own: empty, or with the plug-in installed and the library where the plug-in
// looks for it (so that it asks for no file).
std::string makeHome(const std::string& library, bool withPlugin) {
    namespace fs = std::filesystem;
    std::string home = (fs::temp_directory_path() / "vxstartup.XXXXXX").string();
    if (!mkdtemp(home.data())) return {};
    std::ofstream(home + "/script.txt") << "show 640 480\nidle 1\nquit\n";
    if (withPlugin) {
        const fs::path plugins = fs::path(home) / "Library/iTunes/iTunes Plug-ins";
        fs::create_directories(plugins);
        fs::copy(VX_BUNDLE_DIR, plugins / "Voxtrail.bundle", fs::copy_options::recursive);
        const fs::path music = fs::path(home) / "Music/iTunes";
        fs::create_directories(music);
        fs::create_symlink(fs::absolute(library), music / "iTunes Music Library.xml");
    }
    return home;
}

} // namespace

// A library of `tracks` generated tracks in a folder of its own; "" when it could not be made.
std::string generatedLibrary(const std::string& tracks) {
    namespace fs = std::filesystem;
    std::string folder = (fs::temp_directory_path() / "vxstartuplib.XXXXXX").string();
    if (!mkdtemp(folder.data())) return {};
    const std::string library = folder + "/library.xml";
    std::vector<std::string> args = {VX_GENLIBRARY_BIN, "--tracks", tracks, "--out", library};
    std::vector<char*> argvOut;
    for (std::string& a : args)
        argvOut.push_back(a.data());
    argvOut.push_back(nullptr);
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, argvOut[0], nullptr, nullptr, argvOut.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fs::remove_all(folder);
        return {};
    }
    return library;
}

int main(int argc, char** argv) {
    const bool generate = argc >= 3 && std::string(argv[1]) == "--tracks";
    if (argc < 2 || (std::string(argv[1]) == "--tracks" && !generate)) {
        std::fprintf(stderr, "usage: bench_player_startup LIBRARY.xml [RUNS]\n"
                             "       bench_player_startup --tracks N [RUNS]\n");
        return 2;
    }
    std::string library = argv[1];
    if (generate) {
        library = generatedLibrary(argv[2]);
        if (library.empty()) return 1;
    }
    const int runsAt = generate ? 3 : 2;
    const int runs = argc > runsAt ? std::max(1, std::atoi(argv[runsAt])) : 5;
    // The window is drawn off screen, so that the figures do not depend on a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    bool ok = true;
    Figures without[2];
    for (bool withPlugin : {false, true}) {
        const std::string home = makeHome(library, withPlugin);
        if (home.empty()) return 1;
        setenv("HOME", home.c_str(), 1);
        for (bool window : {false, true}) {
            // The first run, which writes the plug-in's first preferences, is not counted.
            measure(home + "/script.txt", library, 1, window);
            const Figures f = measure(home + "/script.txt", library, runs, window);
            ok = ok && f.ok && !f.wall.empty();
            if (f.wall.empty()) continue;
            std::printf(
                "player start-up to its first frame and quit, %s, %s, %s: median %.0f ms (min %.0f) over %zu "
                "runs, peak %.1f MiB",
                withPlugin ? "plug-in installed" : "no plug-in", window ? "with its window" : "headless",
                library.c_str(), vx::bench::median(f.wall), *std::min_element(f.wall.begin(), f.wall.end()),
                f.wall.size(), f.peakKib / 1024.0);
            if (withPlugin && !without[window].wall.empty())
                std::printf(" (without the plug-in: %.0f ms, %.1f MiB)",
                            vx::bench::median(without[window].wall), without[window].peakKib / 1024.0);
            std::printf("\n");
            if (!withPlugin) without[window] = f;
        }
        std::filesystem::remove_all(home);
    }
    if (generate) std::filesystem::remove_all(std::filesystem::path(library).parent_path());
    return ok ? 0 : 1;
}
