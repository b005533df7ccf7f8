#include "common/folder_walk.h"

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace vx {

namespace {

// Deeper than any music collection; a chain of links deeper still is not followed.
constexpr int kDeepestFolder = 64;

struct FolderCloser {
    DIR* dir;
    ~FolderCloser() {
        if (dir) ::closedir(dir);
    }
};

class Walk {
  public:
    Walk(const std::function<void(const AudioFile&)>& found, const std::function<bool()>& stop,
         FolderSkips& skips)
        : found(found), stop(stop), skips(skips) {}

    void folder(const std::string& path, int depth) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            ++skips.unreadable;
            return;
        }
        if (depth > kDeepestFolder || !visited.emplace(info.st_dev, info.st_ino).second) {
            ++skips.loops;
            return;
        }
        const FolderCloser dir{::opendir(path.c_str())};
        if (!dir.dir) {
            ++skips.unreadable;
            return;
        }
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir.dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        const int at = ::dirfd(dir.dir);
        for (const std::string& name : names) {
            if (stop && stop()) return;
            entry(at, path + "/" + name, name, depth);
        }
    }

  private:
    void entry(int at, const std::string& path, const std::string& name, int depth) {
        struct stat info {};
        // Looked up from the open folder, not from the top of the path. Links are followed: a
        // folder of links to albums is a common layout.
        if (::fstatat(at, name.c_str(), &info, 0) != 0) {
            ++skips.unreadable;
            return;
        }
        if (S_ISDIR(info.st_mode)) {
            if (!isUtf8(name)) {
                ++skips.badNames;
                return;
            }
            folder(path, depth + 1);
            return;
        }
        if (!hasAudioName(name)) return;
        if (!isUtf8(name)) {
            ++skips.badNames;
        } else if (!S_ISREG(info.st_mode)) {
            ++skips.notFiles;
        } else if (info.st_size == 0) {
            ++skips.empty;
        } else {
            found({path, static_cast<std::uint64_t>(info.st_size),
                   static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec});
        }
    }

    const std::function<void(const AudioFile&)>& found;
    const std::function<bool()>& stop;
    FolderSkips& skips;
    std::set<std::pair<dev_t, ino_t>> visited;
};

} // namespace

bool hasAudioName(const std::string& name) {
    static const char* const kEndings[] = {".mp3", ".flac", ".ogg", ".oga", ".opus", ".m4a", ".mp4", ".aac",
                                           ".wma", ".wv",   ".ape", ".mpc", ".aiff", ".aif", ".wav", ".dsf"};
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return false;
    std::string ending = name.substr(dot);
    for (char& c : ending)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::any_of(std::begin(kEndings), std::end(kEndings), [&](const char* e) { return ending == e; });
}

bool isUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t more = 0;
        char32_t point = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            more = 1;
            point = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            point = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            point = c & 0x07;
        } else {
            return false;
        }
        if (i + more >= text.size()) return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            point = (point << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and points beyond Unicode are not UTF-8.
        static const char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (point < kLeast[more] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        i += more + 1;
    }
    return true;
}

void walkMusicFolder(const std::string& folder, const std::function<void(const AudioFile&)>& found,
                     const std::function<bool()>& stop, FolderSkips& skips) {
    Walk(found, stop, skips).folder(folder, 0);
}

bool holdsAudioFile(const std::string& folder) {
    bool found = false;
    FolderSkips skips;
    walkMusicFolder(
        folder, [&](const AudioFile&) { found = true; }, [&] { return found; }, skips);
    return found;
}

} // namespace vx
