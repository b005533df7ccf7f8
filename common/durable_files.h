#pragma once
// Writing files so that a power cut or a kill leaves the old one or the new one whole, and
// holding a folder for one run at a time, so that its work folders can be told from debris.
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

// The folder part of a path ("." when it has none), for syncing the entry a rename made.
inline std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Flushes a folder's entries to disk: a file renamed into it is only there for good once its
// folder is flushed too. False when the folder cannot be opened or flushed.
inline bool syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Writes all of bytes to fd and flushes them to disk; errno tells why when false.
inline bool writeAndSync(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::fsync(fd) == 0;
}

// Puts bytes at path in one step: written and flushed beside it under "path.XXXXXX", then renamed
// over it and the folder flushed. Mode applies to a new file. False, with errno, on any failure;
// the old file is then as it was and no temporary file is left.
inline bool writeFileDurably(const std::string& path, const std::string& bytes, mode_t mode) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, mode) == 0 && writeAndSync(fd, bytes);
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        errno = saved;
        return false;
    }
    syncFolder(folderOf(path));
    return true;
}

// An exclusive lock on a folder for as long as it lives. Every run that makes work folders in
// the folder holds it meanwhile, so a work folder found by the holder is a killed run's debris.
class FolderLock {
  public:
    // Waits for the lock when wait is set; otherwise held() is false while another run holds it.
    explicit FolderLock(const std::string& folder, bool wait = true)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ < 0) return;
        int rc;
        while ((rc = ::flock(fd_, wait ? LOCK_EX : LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
        }
        if (rc != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return fd_ >= 0; }

  private:
    int fd_;
};

} // namespace vx
