// vxplayer: the stand-in music player that hosts visual plug-ins, in a window or headless from
// a script.
#include "platform/system.h"
#include "player/host_dialogs.h"
#include "player/library_loader.h"
#include "player/line_source.h"
#include "player/offscreen_screen.h"
#include "player/output.h"
#include "player/player_options.h"
#include "player/player_session.h"
#include "player/player_window.h"
#include "player/script_runner.h"
#include "player/window_dialogs.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace vx::player;

namespace {

bool hasDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    std::optional<PlayerOptions> parsed = parseOptions(args, error);
    if (!parsed) {
        printNote(error);
        std::fputs(usageText(), stderr);
        return 2;
    }
    PlayerOptions options = *parsed;
    if (options.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }

    // Must be settled before QApplication picks its platform.
    if (!std::getenv("QT_QPA_PLATFORM") && (options.headless || !hasDisplay()))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    OffscreenScreen screen;
    if (platform && std::string(platform) == "offscreen")
        screen.configure(options.screenWidth, options.screenHeight);
    QApplication app(argc, argv);
    screen.release();
    QApplication::setApplicationName("vxplayer");

    std::string home = vx::homeFolder();
    std::string libraryPath = options.libraryPath.empty() ? defaultLibraryPath(home) : options.libraryPath;
    // Read while the player starts; the session waits for it on its first look at the tracks.
    LibraryLoader library(libraryPath);

    SessionOptions sessionOptions;
    sessionOptions.hostVersion = effectiveHostVersion(options, library.applicationVersion());
    sessionOptions.osVersion = options.osVersion;
    sessionOptions.visualizerName = options.visualizerName;

    HeadlessDialogs headlessDialogs;
    WindowDialogs windowDialogs;
    HostDialogs& dialogs = options.headless ? static_cast<HostDialogs&>(headlessDialogs) : windowDialogs;

    PlayerSession session(sessionOptions, MusicLibrary{}, dialogs);
    session.deferLibrary([&library] { return library.take(); }, [&library] { return library.done(); });
    session.loadPlugins(
        {pluginFolder(home), systemPluginFolder(QCoreApplication::applicationDirPath().toStdString())});

    bool finished = false;
    auto finish = [&](int status) {
        if (finished) return;
        finished = true;
        session.shutdown();
        QCoreApplication::exit(status);
    };

    std::unique_ptr<PlayerWindow> window;
    if (!options.headless) {
        window = std::make_unique<PlayerWindow>(session, finish);
        windowDialogs.setParent(window.get());
        window->show();
        QTimer::singleShot(0, window.get(), [&] {
            if (session.activeVisualizer()) window->setVisualizerOn(true);
        });
    }

    ScriptRunner runner(session, finish);
    if (window) {
        PlayerWindow* w = window.get();
        runner.setPaneHooks({[w](int width, int height) { w->showPane(width, height); },
                             [w](int width, int height) { w->resizePane(width, height); },
                             [w] { w->hidePane(); }});
    }
    std::unique_ptr<StdinLineSource> stdinSource;
    if (!options.scriptPath.empty()) {
        if (!readLines(options.scriptPath, [&](std::string line) { runner.addLine(std::move(line)); })) {
            printNote("cannot read the script " + options.scriptPath);
            session.shutdown();
            return 2;
        }
        runner.endOfInput();
    } else if (options.headless) {
        stdinSource = std::make_unique<StdinLineSource>(
            [&](std::string line) { runner.addLine(std::move(line)); }, [&] { runner.endOfInput(); });
    }

    int status = QApplication::exec();
    session.shutdown();
    session.setRepaintHandler(nullptr); // the window goes first
    window.reset();
    return status;
}

// Under LeakSanitizer: fontconfig's match patterns, which the toolkit's font fallback keeps for
// the life of the process in caches it never frees, are not leaks of ours. The plug-ins' windows
// draw text in the player itself.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
