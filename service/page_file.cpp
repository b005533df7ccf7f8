#include "service/page_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace vxs {

std::shared_ptr<const PageFile> PageFile::of(std::string_view bytes) {
    const int fd = memfd_create("voxtrail-page", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return nullptr;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            return nullptr;
        }
        written += static_cast<std::size_t>(n);
    }
    // Sealed, so what is sent is what was written.
    fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return std::shared_ptr<const PageFile>(new PageFile(fd, bytes.size()));
}

PageFile::~PageFile() {
    ::close(fd_);
}

} // namespace vxs
