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

// A descriptor for reading path when it is a regular file, or -1 with *why (when given) saying
// whether it was missing (or unreadable) or not a regular file. The open never blocks: the type
// is checked on what was opened, so a file swapped in meanwhile is caught too.
inline int openRegularFile(const char* path, FileOpening* why = nullptr) {
    auto refuse = [&](FileOpening reason) {
        if (why) *why = reason;
        return -1;
    };
    if (regularFileState(path) == FileOpening::notRegular) return refuse(FileOpening::notRegular);
    const int fd = path ? ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY) : -1;
    if (fd < 0) return refuse(FileOpening::missing);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return refuse(FileOpening::notRegular);
    }
    // Reads of a regular file never wait anyway; blocking mode keeps them plain.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (why) *why = FileOpening::opened;
    return fd;
}

} // namespace vx
