#include "plugin/library/folder_tags.h"

#include "plugin/library/reader_module.h"
#include "plugin/library/reader_module_api.h"

namespace vx {

namespace {

std::string textOf(const VxText& text) {
    return text.data ? std::string(text.data, text.size) : std::string();
}

void takeTags(void* context, const VxText* fields, std::uint64_t) {
    auto& tags = *static_cast<SongTags*>(context);
    tags.artist = textOf(fields[vxArtist]);
    tags.albumArtist = textOf(fields[vxAlbumArtist]);
    tags.album = textOf(fields[vxAlbum]);
    tags.artistId = textOf(fields[vxArtistId]);
    tags.albumArtistId = textOf(fields[vxAlbumArtistId]);
}

int neverStopped(void*) {
    return 0;
}

void noProblem(void*, VxText) {}

} // namespace

TagsRead readSongTags(const std::string& path, SongTags& tags) {
    static const ModuleEntry reader = readerModuleEntry(kSongTagsModule, "vx_read_song_tags");
    if (!reader.address) return TagsRead::noReader;
    const VxSongSink sink{&tags, neverStopped, takeTags, noProblem};
    return reinterpret_cast<VxSongTagsEntry>(reader.address)(path.c_str(), &sink) ? TagsRead::read
                                                                                  : TagsRead::unreadable;
}

} // namespace vx
