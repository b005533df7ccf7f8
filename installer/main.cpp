// Voxtrail_Installer: puts the Voxtrail plug-in into the user's plug-in folder or removes it, in
// a window, headless from a script, or as one command-line step.
#include "installer/app_bundle.h"
#include "installer/command_line.h"
#include "installer/headless_run.h"
#include "installer/headless_sheets.h"
#include "installer/install_paths.h"
#include "installer/installer.h"
#include "installer/installer_options.h"
#include "installer/installer_window.h"
#include "installer/window_sheets.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>

using namespace vx::installer;

namespace {

bool readScript(const std::string& path, std::vector<std::string>& lines) {
    std::ifstream file;
    if (!path.empty()) {
        file.open(path);
        if (!file) return false;
    }
    std::istream& in = path.empty() ? std::cin : file;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return true;
}

bool hasDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* value = std::getenv(name); value && *value) return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::optional<InstallerOptions> options =
        parseInstallerOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "Voxtrail_Installer: %s\n%s", error.c_str(), usageText());
        return 2;
    }
    const AppBundle bundle = ownAppBundle();
    const InstallPaths paths = installPathsFor(homeFolder());
    switch (options->mode) {
    case Mode::Help:
        std::fputs(usageText(), stdout);
        return 0;
    case Mode::Install:
        return installFromCommandLine(bundle, paths);
    case Mode::Uninstall:
        return uninstallFromCommandLine(bundle, paths);
    case Mode::Headless:
    case Mode::Snapshot:
        // Settled before QApplication picks its platform: no display is needed for these.
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        break;
    case Mode::Window:
        if (!hasDisplay()) {
            std::fputs(
                "Voxtrail_Installer: no display for the window; use --install, --uninstall or --headless\n",
                stderr);
            return 2;
        }
        break;
    }
    std::vector<std::string> script;
    if (options->mode == Mode::Headless && !readScript(options->scriptPath, script)) {
        std::fprintf(stderr, "Voxtrail_Installer: cannot read the script %s\n", options->scriptPath.c_str());
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Voxtrail_Installer");
    const InstallerWindow window = buildInstallerWindow();
    std::unique_ptr<QWidget> windowOwner(window.window);
    WindowSheets windowSheets;
    HeadlessSheets headlessSheets;
    const bool headless = options->mode == Mode::Headless;
    SheetPresenter& sheets = headless ? static_cast<SheetPresenter&>(headlessSheets) : windowSheets;
    Installer installer(window, sheets, bundle, paths, [] { QCoreApplication::exit(0); });
    // Shown first, so that waking brings a visible window to the front.
    if (options->mode == Mode::Window) window.window->show();
    installer.awakeFromNib();

    if (options->mode == Mode::Snapshot) {
        window.window->ensurePolished();
        return window.window->grab().save(QString::fromStdString(options->snapshotPath), "PNG") ? 0 : 1;
    }
    std::unique_ptr<HeadlessRun> run;
    if (headless) {
        std::printf("window: %s | %s\n", window.window->windowTitle().toStdString().c_str(),
                    window.headline->text().toStdString().c_str());
        std::fflush(stdout);
        run = std::make_unique<HeadlessRun>(installer, headlessSheets, std::move(script),
                                            [](int status) { QCoreApplication::exit(status); });
        run->start();
    }
    return QApplication::exec();
}
