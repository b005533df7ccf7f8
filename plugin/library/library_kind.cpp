#include "plugin/library/library_kind.h"

#include "common/regular_file.h"
#include "plugin/library/database_scan.h"

#include <string>

namespace vx {

namespace {
// Room for the XML declaration, a doctype and a comment or two before the root element.
constexpr std::size_t kStartBytes = 4096;
constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};
} // namespace

LibraryKind libraryKindOfStart(std::string_view start) {
    if (start.substr(0, kSqliteHeader.size()) == kSqliteHeader) return LibraryKind::otherDatabase;
    const std::size_t rhythmdb = start.find("<rhythmdb");
    const std::size_t plist = start.find("<plist");
    if (rhythmdb < plist) return LibraryKind::rhythmdb;
    // No text file of either kind holds a NUL byte before its root.
    if (plist == std::string_view::npos && start.find('\0') != std::string_view::npos)
        return LibraryKind::unknown;
    return LibraryKind::plist;
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
    const LibraryKind kind = libraryKindOfStart(start);
    if (kind != LibraryKind::otherDatabase) return kind;
    switch (databaseTableOf(path)) {
    case DatabaseTable::songs:
        return LibraryKind::songsDatabase;
    case DatabaseTable::items:
        return LibraryKind::itemsDatabase;
    case DatabaseTable::none:
        break;
    }
    return LibraryKind::otherDatabase;
}

bool isDatabaseKind(LibraryKind kind) {
    return kind == LibraryKind::songsDatabase || kind == LibraryKind::itemsDatabase ||
           kind == LibraryKind::otherDatabase;
}

} // namespace vx
