#include "player/library_loader.h"

#include "common/regular_file.h"
#include "player/output.h"

#include <sys/stat.h>

#include <utility>

namespace vx::player {

LibraryLoader::LibraryLoader(std::string path) : path_(std::move(path)), thread_([this] { run(); }) {}

LibraryLoader::~LibraryLoader() {
    stop_ = true;
    thread_.join();
}

void LibraryLoader::run() {
    LibraryReadHooks hooks;
    hooks.stop = &stop_;
    hooks.onVersion = [this](const std::string& version) {
        std::lock_guard lock(mutex_);
        version_ = version;
        versionKnown_ = true;
        changed_.notify_all();
    };
    MusicLibrary library = loadMusicLibrary(path_, hooks);
    if (stop_) return;
    struct stat info {};
    const bool folder = ::stat(path_.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (!folder && vx::regularFileState(path_.c_str()) == vx::FileOpening::notRegular)
        printNote(path_ + " is not a regular file: no library read");
    else if (!folder && ::stat(path_.c_str(), &info) == 0 &&
             static_cast<std::size_t>(info.st_size) > kLargestLibraryBytes)
        printNote(path_ + " is larger than 512 MiB: no library read");
    else if (library.tracks.empty())
        printNote("no tracks in " + path_);
    std::lock_guard lock(mutex_);
    if (!versionKnown_) version_ = library.applicationVersion;
    versionKnown_ = true;
    library_ = std::move(library);
    done_ = true;
    changed_.notify_all();
}

std::string LibraryLoader::applicationVersion() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return versionKnown_; });
    return version_;
}

bool LibraryLoader::done() {
    std::lock_guard lock(mutex_);
    return done_;
}

MusicLibrary LibraryLoader::take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return done_; });
    return std::move(library_);
}

} // namespace vx::player
