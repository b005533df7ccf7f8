#include "plugin/library/folder_tags.h"

#include "common/regular_file.h"

#include <taglib/fileref.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>

namespace vx {

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

} // namespace

bool readSongTags(const std::string& path, SongTags& tags) {
    FileCloser file{openRegularFile(path.c_str())};
    if (file.fd < 0) return false;
    TagLib::FileStream stream(file.fd, true);
    if (!stream.isOpen()) return false;
    file.fd = -1; // the open stream closes the descriptor itself
    // The type is told by the file's content; audio properties are not read.
    const TagLib::FileRef ref(&stream, false);
    if (ref.isNull() || !ref.file()->isValid()) return false;
    const TagLib::PropertyMap properties = ref.file()->properties();
    tags.artist = firstValue(properties, "ARTIST");
    tags.albumArtist = firstValue(properties, "ALBUMARTIST");
    tags.album = firstValue(properties, "ALBUM");
    tags.artistId = firstValue(properties, "MUSICBRAINZ_ARTISTID");
    tags.albumArtistId = firstValue(properties, "MUSICBRAINZ_ALBUMARTISTID");
    return true;
}

} // namespace vx
