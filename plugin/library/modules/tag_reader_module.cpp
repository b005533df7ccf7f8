// The reader module for audio files' tags, with TagLib: loaded only by a music folder's scan,
// and only when a file is not in its cache.
#include "common/regular_file.h"
#include "plugin/library/reader_module_api.h"

#include <taglib/fileref.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>

#include <string>

namespace {

struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) ::close(fd);
    }
};

std::string firstValue(const TagLib::PropertyMap& properties, const char* key) {
    const auto found = properties.find(key);
    if (found == properties.end() || found->second.isEmpty()) return {};
    return found->second.front().to8Bit(true);
}

int readTags(const char* path, const VxSongSink& sink) {
    FileCloser file{vx::openRegularFile(path)};
    if (file.fd < 0) return 0;
    TagLib::FileStream stream(file.fd, true);
    if (!stream.isOpen()) return 0;
    file.fd = -1; // the open stream closes the descriptor itself
    // The type is told by the file's content; audio properties are not read.
    const TagLib::FileRef ref(&stream, false);
    if (ref.isNull() || !ref.file()->isValid()) return 0;
    const TagLib::PropertyMap properties = ref.file()->properties();
    const std::string values[vxSongFieldCount] = {
        firstValue(properties, "ARTIST"), firstValue(properties, "ALBUMARTIST"),
        firstValue(properties, "ALBUM"), firstValue(properties, "MUSICBRAINZ_ARTISTID"),
        firstValue(properties, "MUSICBRAINZ_ALBUMARTISTID")};
    VxText fields[vxSongFieldCount];
    for (int i = 0; i < vxSongFieldCount; ++i)
        fields[i] = {values[i].data(), values[i].size()};
    sink.song(sink.context, fields, 0);
    return 1;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int vx_read_song_tags(const char* path,
                                                                        const VxSongSink* sink) {
    // Nothing thrown may cross into the reader, which may run another C++ runtime.
    try {
        return path && sink ? readTags(path, *sink) : 0;
    } catch (...) {
        return 0;
    }
}
