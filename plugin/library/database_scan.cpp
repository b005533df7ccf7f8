#include "plugin/library/database_scan.h"

#include "plugin/library/reader_module.h"
#include "plugin/library/reader_module_api.h"
#include "plugin/model/protected_data.h"

namespace vx {

namespace {

const ModuleEntry& tableEntry() {
    static const ModuleEntry entry = readerModuleEntry(kDatabaseReaderModule, "vx_database_table");
    return entry;
}

const ModuleEntry& readEntry() {
    static const ModuleEntry entry = readerModuleEntry(kDatabaseReaderModule, "vx_database_read");
    return entry;
}

struct Reading {
    SongLists& found;
    ProtectedData& state;
    std::string* problem;
};

std::string_view viewOf(const VxText& text) {
    return text.data ? std::string_view(text.data, text.size) : std::string_view();
}

int shutdownAsked(void* context) {
    return static_cast<Reading*>(context)->state.getShutingDown() ? 1 : 0;
}

void takeSong(void* context, const VxText* fields, std::uint64_t plays) {
    // The album's own artist names the band when it is set, as in the player's own lists.
    const bool byAlbumArtist = fields[vxAlbumArtist].size > 0;
    static_cast<Reading*>(context)->found.add(viewOf(fields[byAlbumArtist ? vxAlbumArtist : vxArtist]),
                                              viewOf(fields[vxAlbum]), plays,
                                              viewOf(fields[byAlbumArtist ? vxAlbumArtistId : vxArtistId]));
}

void takeProblem(void* context, VxText text) {
    std::string* problem = static_cast<Reading*>(context)->problem;
    if (problem) problem->assign(viewOf(text));
}

} // namespace

DatabaseTable databaseTableOf(const char* path) {
    const ModuleEntry& entry = tableEntry();
    if (!entry.address) return DatabaseTable::none;
    switch (reinterpret_cast<VxDatabaseTableEntry>(entry.address)(path)) {
    case 1:
        return DatabaseTable::songs;
    case 2:
        return DatabaseTable::items;
    default:
        return DatabaseTable::none;
    }
}

bool DatabaseScan::readFile(const char* path, ProtectedData& state, std::string* problem) {
    const ModuleEntry& entry = readEntry();
    if (!entry.address) {
        if (problem) *problem = entry.problem;
        return false;
    }
    Reading reading{found, state, problem};
    const VxSongSink sink{&reading, shutdownAsked, takeSong, takeProblem};
    return reinterpret_cast<VxDatabaseReadEntry>(entry.address)(path, &sink) != 0;
}

} // namespace vx
