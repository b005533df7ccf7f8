#include "installer/install_steps.h"

#include "common/durable_files.h"
#include "common/exported_calendar.h"
#include "common/stale_folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>
#include <vector>

namespace vx::installer {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNewPrefix = ".Voxtrail.bundle-new-";
constexpr const char* kOldPrefix = ".Voxtrail.bundle-old-";

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

// Every file and folder of a copied bundle on the disk, so a power cut after the swap cannot
// leave a bundle of empty files.
bool syncTree(const std::string& root) {
    std::error_code ec;
    bool ok = syncFolder(root);
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_symlink(kind)) continue;
        if (it->is_directory(kind)) {
            ok = syncFolder(it->path().string()) && ok;
        } else if (it->is_regular_file(kind)) {
            const int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC);
            ok = fd >= 0 && ::fsync(fd) == 0 && ok;
            if (fd >= 0) ::close(fd);
        }
    }
    return ok && !ec;
}

// Moves staging to target. An older target is exchanged with it in one rename; where the file
// system cannot exchange, the older one is moved aside first and put back if the move fails.
bool swapIntoPlace(const std::string& staging, const InstallPaths& paths) {
    std::error_code ec;
    if (!existsAt(paths.pluginPath)) {
        fs::rename(staging, paths.pluginPath, ec);
        return !ec;
    }
    // The older bundle ends in the staging folder, which is removed with it.
    if (renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, paths.pluginPath.c_str(), RENAME_EXCHANGE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    ScratchFolder aside(paths.pluginFolder + "/" + kOldPrefix + "XXXXXX");
    if (!aside.made()) return false;
    const std::string old = aside.path() + "/Voxtrail.bundle";
    fs::rename(paths.pluginPath, old, ec);
    if (ec) return false;
    fs::rename(staging, paths.pluginPath, ec);
    if (!ec) return true;
    fs::rename(old, paths.pluginPath, ec);
    return false;
}

// A run killed between moving the older bundle aside and renaming the new one in left no bundle
// at the plug-in path: the one aside (the newest, should there be several) goes back.
void restoreBundleLeftAside(const InstallPaths& paths) {
    if (existsAt(paths.pluginPath)) return;
    std::error_code ec;
    fs::path newest;
    fs::file_time_type newestTime{};
    for (fs::directory_iterator it(paths.pluginFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().string().rfind(kOldPrefix, 0) != 0) continue;
        const fs::path candidate = it->path() / "Voxtrail.bundle";
        std::error_code kind;
        if (!fs::is_directory(fs::symlink_status(candidate, kind))) continue;
        const auto written = fs::last_write_time(it->path(), kind);
        if (!kind && (newest.empty() || written > newestTime)) {
            newest = candidate;
            newestTime = written;
        }
    }
    if (!newest.empty()) fs::rename(newest, paths.pluginPath, ec);
}

// Only a run holding the plug-in folder makes hidden folders in it, so those its holder finds
// belong to killed runs and nothing can need them.
void removeKilledRunsFolders(const InstallPaths& paths, bool folderHeld) {
    const auto age = folderHeld ? fs::file_time_type::duration::zero() : vx::kStaleFolderAge;
    vx::removeStaleFolders(paths.pluginFolder, kNewPrefix, age);
    vx::removeStaleFolders(paths.pluginFolder, kOldPrefix, age);
}

std::string fileStart(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(4096, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

void removeStoreCalendars(const fs::path& store) {
    std::error_code ec;
    std::vector<fs::path> folders;
    for (fs::directory_iterator it(store, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code kind;
        if (it->is_symlink(kind) || !it->is_directory(kind)) continue;
        if (name.rfind(".staging-", 0) == 0 || name.rfind(".old-", 0) == 0) {
            folders.push_back(it->path()); // an export's work folder: all of it is ours
        } else {
            std::string title = fileStart(it->path() / kCalendarTitleFile);
            while (!title.empty() && (title.back() == '\n' || title.back() == '\r'))
                title.pop_back();
            if (title != "Voxtrail_Concerts") continue;
            for (const std::string& file : exportedFiles(it->path()))
                fs::remove(it->path() / file, ec);
            fs::remove(it->path(), ec); // stays while the user's own files are in it
        }
    }
    for (const fs::path& folder : folders)
        fs::remove_all(folder, ec);
    fs::remove(store, ec); // only when empty
}

} // namespace

bool existsAt(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

void writeFirstRunMarker(const std::string& markerPath) {
    std::error_code ec;
    if (!fs::is_directory(vx::folderOf(markerPath), ec)) return;
    vx::writeFileDurably(markerPath, "\xFF\xFE", 0644);
}

bool placeBundle(const std::string& bundleSource, const InstallPaths& paths) {
    std::error_code ec;
    fs::create_directories(paths.pluginFolder, ec);
    if (!fs::is_directory(paths.pluginFolder, ec)) return false;

    const FolderLock held(paths.pluginFolder);
    restoreBundleLeftAside(paths);
    removeKilledRunsFolders(paths, held.held());
    if (!fs::is_directory(bundleSource, ec)) return false;

    // Hidden and without the ".bundle" ending, so a player never loads a copy in progress.
    ScratchFolder staging(paths.pluginFolder + "/" + kNewPrefix + "XXXXXX");
    if (!staging.made()) return false;
    fs::copy(bundleSource, staging.path(), fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) return false;
    fs::permissions(staging.path(), fs::status(bundleSource, ec).permissions(), ec);
    if (ec || !syncTree(staging.path())) return false;
    if (!swapIntoPlace(staging.path(), paths)) return false;
    syncFolder(paths.pluginFolder);
    return true;
}

void removeExportedCalendars(const InstallPaths& paths) {
    removeStoreCalendars(paths.calendarStore);
    std::error_code ec;
    const fs::path tenFour = paths.tenFourCalendar;
    if (fileStart(tenFour / "Info.plist").find("<string>Voxtrail</string>") != std::string::npos) {
        for (const char* file : {"corestorage.ics", "Index", "Info.plist"})
            fs::remove(tenFour / file, ec);
        fs::remove(tenFour, ec); // stays while other files are in it
    }
    if (fileStart(paths.tenThreeCalendar).rfind("BEGIN:VCALENDAR", 0) == 0)
        fs::remove(paths.tenThreeCalendar, ec);
}

UninstallResult removeInstallation(const InstallPaths& paths,
                                   const std::function<void()>& beforeDataRemoval) {
    std::error_code ec;
    std::unique_ptr<FolderLock> held;
    if (fs::is_directory(paths.pluginFolder, ec)) {
        held = std::make_unique<FolderLock>(paths.pluginFolder);
        // A bundle that a killed install left aside is still the user's plug-in until removed.
        restoreBundleLeftAside(paths);
        removeKilledRunsFolders(paths, held->held());
    }
    if (!existsAt(paths.pluginPath) && !existsAt(paths.dataFolder))
        return UninstallResult::AlreadyUninstalled;
    fs::remove_all(paths.pluginPath, ec);
    // Settings and calendars only go with the plug-in: a bundle that stays keeps what it uses.
    if (existsAt(paths.pluginPath)) return UninstallResult::Failed;
    removeExportedCalendars(paths);
    if (beforeDataRemoval) beforeDataRemoval();
    fs::remove_all(paths.dataFolder, ec);
    if (existsAt(paths.dataFolder)) return UninstallResult::Failed;
    return UninstallResult::Removed;
}

} // namespace vx::installer
