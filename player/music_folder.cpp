#include "player/music_folder.h"

#include "common/folder_walk.h"
#include "common/regular_file.h"
#include "player/song_database.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <taglib/fileref.h>
#include <taglib/tfilestream.h>

namespace vx::player {
namespace {

struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) ::close(fd);
    }
};

std::string fileTitle(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

std::string extensionKind(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return extension + " audio file";
}

// Only a regular file we opened ourselves is handed to TagLib, so nothing else is ever opened.
bool readTrack(const AudioFile& file, LibraryTrack& track) {
    FileCloser opened{openRegularFile(file.path.c_str())};
    if (opened.fd < 0) return false;
    TagLib::FileStream stream(opened.fd, true);
    if (!stream.isOpen()) return false;
    opened.fd = -1; // the open stream closes the descriptor itself
    const TagLib::FileRef ref(&stream, true, TagLib::AudioProperties::Fast);
    if (ref.isNull() || !ref.file()->isValid()) return false;
    if (const TagLib::Tag* tag = ref.tag()) {
        track.name = tag->title().to8Bit(true);
        track.artist = tag->artist().to8Bit(true);
        track.album = tag->album().to8Bit(true);
        track.genre = tag->genre().to8Bit(true);
        track.trackNumber = tag->track();
        track.year = tag->year();
    }
    if (track.name.empty()) track.name = fileTitle(file.path);
    if (const TagLib::AudioProperties* audio = ref.audioProperties()) {
        track.totalTimeMs = static_cast<uint32_t>(std::max(audio->lengthInMilliseconds(), 0));
        track.bitRate = static_cast<uint32_t>(std::max(audio->bitrate(), 0));
        track.sampleRate = static_cast<uint32_t>(std::max(audio->sampleRate(), 0));
    }
    track.kind = extensionKind(file.path);
    track.sizeInBytes = static_cast<uint32_t>(std::min<std::uint64_t>(file.size, UINT32_MAX));
    return true;
}

} // namespace

std::optional<MusicLibrary> loadMusicFolder(const std::string& path, const std::atomic<bool>* stop) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
    MusicLibrary library;
    FolderSkips skips;
    const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
    walkMusicFolder(
        path,
        [&](const AudioFile& file) {
            if (library.tracks.size() >= kMostDatabaseTracks) return;
            LibraryTrack track;
            if (readTrack(file, track)) library.tracks.push_back(std::move(track));
        },
        stopped, skips);
    return library;
}

} // namespace vx::player
