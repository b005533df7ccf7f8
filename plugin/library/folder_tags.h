#pragma once
// The tags of one audio file, read with TagLib from a descriptor we opened ourselves, so that
// nothing but a regular file is ever opened.
#include <string>

namespace vx {

struct SongTags {
    std::string artist;
    std::string albumArtist;
    std::string album;
    std::string artistId;
    std::string albumArtistId;
};

enum class TagsRead {
    read,
    // The file cannot be opened, or TagLib finds no tags it can read in it (truncated or broken
    // files, or files of no format it knows).
    unreadable,
    // The tag reader itself could not be loaded: no file's tags can be read.
    noReader,
};

TagsRead readSongTags(const std::string& path, SongTags& tags);

} // namespace vx
