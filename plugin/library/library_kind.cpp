#include "plugin/library/library_kind.h"

#include "common/regular_file.h"

#include <string>

namespace vx {

namespace {
// Room for the XML declaration, a doctype and a comment or two before the root element.
constexpr std::size_t kStartBytes = 4096;
} // namespace

LibraryKind libraryKindOfStart(std::string_view start) {
    const std::size_t rhythmdb = start.find("<rhythmdb");
    return rhythmdb < start.find("<plist") ? LibraryKind::rhythmdb : LibraryKind::plist;
}

LibraryKind libraryKindOf(const char* path) {
    const int fd = openRegularFileWith(path, O_RDONLY, 0);
    if (fd < 0) return LibraryKind::plist;
    std::string start(kStartBytes, '\0');
    std::size_t have = 0;
    while (have < start.size()) {
        const ssize_t got = ::read(fd, start.data() + have, start.size() - have);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        have += static_cast<std::size_t>(got);
    }
    ::close(fd);
    start.resize(have);
    return libraryKindOfStart(start);
}

} // namespace vx
