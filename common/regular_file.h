#pragma once
// Opening a file that is meant to be an ordinary one. A FIFO in its place would block the open
// until some writer came, a device such as /dev/zero would never end, and a folder reads as an
// error: each is refused before it is read.
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

enum class FileOpening { opened, missing, notRegular };

// What stands at path, following symbolic links: missing, a regular file, or something else.
inline FileOpening regularFileState(const char* path) {
    struct stat info {};
    if (!path || !*path || ::stat(path, &info) != 0) return FileOpening::missing;
    return S_ISREG(info.st_mode) ? FileOpening::opened : FileOpening::notRegular;
}

// A descriptor for path opened with flags (and mode, when they create it) when it is a regular
// file, or -1 with *why (when given) saying whether it was missing (or could not be opened) or not
// a regular file. The open never blocks: the type is checked on what was opened, so a file swapped
// in meanwhile is caught too. errno tells why when the open itself failed.
inline int openRegularFileWith(const char* path, int flags, mode_t mode, FileOpening* why = nullptr) {
    auto refuse = [&](FileOpening reason) {
        if (why) *why = reason;
        return -1;
    };
    if (regularFileState(path) == FileOpening::notRegular) return refuse(FileOpening::notRegular);
    const int fd = path ? ::open(path, flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, mode) : -1;
    if (fd < 0) return refuse(FileOpening::missing);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return refuse(FileOpening::notRegular);
    }
    // Reads and writes of a regular file never wait anyway; blocking mode keeps them plain.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (why) *why = FileOpening::opened;
    return fd;
}

// A descriptor for reading path when it is a regular file (as above).
inline int openRegularFile(const char* path, FileOpening* why = nullptr) {
    return openRegularFileWith(path, O_RDONLY, 0, why);
}

} // namespace vx
