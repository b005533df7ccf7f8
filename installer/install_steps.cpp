#include "installer/install_steps.h"

#include "common/stale_folders.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vx::installer {

namespace fs = std::filesystem;

namespace {

// A folder made for one step and removed with everything in it unless kept.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& pattern) : path_(pattern) {
        if (!mkdtemp(path_.data())) path_.clear();
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    bool made() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Moves staging to target; an older target is moved aside first and put back if the move fails.
bool swapIntoPlace(const std::string& staging, const InstallPaths& paths) {
    std::error_code ec;
    if (!existsAt(paths.pluginPath)) {
        fs::rename(staging, paths.pluginPath, ec);
        return !ec;
    }
    ScratchFolder aside(paths.pluginFolder + "/.Voxtrail.bundle-old-XXXXXX");
    if (!aside.made()) return false;
    const std::string old = aside.path() + "/Voxtrail.bundle";
    fs::rename(paths.pluginPath, old, ec);
    if (ec) return false;
    fs::rename(staging, paths.pluginPath, ec);
    if (!ec) return true;
    fs::rename(old, paths.pluginPath, ec);
    return false;
}

} // namespace

bool existsAt(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

void writeFirstRunMarker(const std::string& markerPath) {
    std::FILE* f = std::fopen(markerPath.c_str(), "wb");
    if (!f) return;
    std::fwrite("\xFF\xFE", 1, 2, f);
    std::fclose(f);
}

bool placeBundle(const std::string& bundleSource, const InstallPaths& paths) {
    std::error_code ec;
    if (!fs::is_directory(bundleSource, ec)) return false;
    fs::create_directories(paths.pluginFolder, ec);
    if (!fs::is_directory(paths.pluginFolder, ec)) return false;

    // Hidden and without the ".bundle" ending, so a player never loads a copy in progress.
    ScratchFolder staging(paths.pluginFolder + "/.Voxtrail.bundle-new-XXXXXX");
    if (!staging.made()) return false;
    fs::copy(bundleSource, staging.path(), fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) return false;
    fs::permissions(staging.path(), fs::status(bundleSource, ec).permissions(), ec);
    if (ec) return false;
    if (!swapIntoPlace(staging.path(), paths)) return false;
    // Only with the new bundle in place: an earlier run's folder aside may hold the last one.
    vx::removeStaleFolders(paths.pluginFolder, ".Voxtrail.bundle-new-");
    vx::removeStaleFolders(paths.pluginFolder, ".Voxtrail.bundle-old-");
    return true;
}

UninstallResult removeInstallation(const InstallPaths& paths) {
    if (!existsAt(paths.pluginPath) && !existsAt(paths.dataFolder))
        return UninstallResult::AlreadyUninstalled;
    std::error_code ec;
    fs::remove_all(paths.pluginPath, ec);
    fs::remove_all(paths.dataFolder, ec);
    if (existsAt(paths.pluginPath) || existsAt(paths.dataFolder)) return UninstallResult::Failed;
    return UninstallResult::Removed;
}

} // namespace vx::installer
