#include "plugin/export/export_stamp.h"

#include "common/durable_files.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {
namespace {

constexpr std::size_t kStampBytes = 256;

// FNV-1a, 64 bits: a stamp tells one exported set from another, it guards nothing.
struct Digest {
    uint64_t value = 14695981039346656037ull;
    void add(std::string_view text) {
        for (unsigned char c : text)
            value = (value ^ c) * 1099511628211ull;
        value = (value ^ 0x1f) * 1099511628211ull; // ends the field, so "ab","c" is not "a","bc"
    }
    void add(int64_t n) { add(std::to_string(n)); }
};

std::string stampPath(PluginData* root) {
    char pref[1024];
    root->state.getVoxtrailPref(pref);
    const char* slash = std::strrchr(pref, '/');
    return slash ? std::string(pref, static_cast<std::size_t>(slash + 1 - pref)) + kExportStampFile : "";
}

std::string readStamp(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return "";
    char buffer[kStampBytes];
    ssize_t n = -1;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        while ((n = ::read(fd, buffer, sizeof buffer)) < 0 && errno == EINTR) {
        }
    ::close(fd);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
}

} // namespace

std::string exportStamp(const ExportedShows& shows, std::string_view target,
                        std::string_view webServiceHost) {
    Digest d;
    d.add(target);
    d.add(webServiceHost);
    for (const ExportedShow& s : shows) {
        for (std::string_view text : {s.uid, s.artist, s.otherArtists, s.venue, s.url, s.location})
            d.add(text);
        for (int64_t n : {s.year, s.month, s.day, s.sequence})
            d.add(n);
        d.add(static_cast<int64_t>(s.ticketsAvailable) * 2 + (s.cancelled ? 1 : 0));
        // Only a timed show adds its time, so the stamps of shows without one read as before.
        if (s.hour >= 0) {
            d.add(static_cast<int64_t>(s.hour * 60 + s.minute));
            d.add(s.zone);
        }
    }
    char line[64];
    std::snprintf(line, sizeof line, "1 %zu %016" PRIx64 "\n", shows.size(), d.value);
    return line;
}

std::string storeExportTarget() {
    return "store";
}

std::string fileExportTarget(const char* location) {
    return std::string("file ") + (location ? location : "");
}

void forgetExportStamp(PluginData* root) {
    const std::string path = stampPath(root);
    if (!path.empty()) ::unlink(path.c_str());
}

void keepExportStamp(PluginData* root, const std::string& stamp) {
    const std::string path = stampPath(root);
    if (!path.empty()) writeFileDurably(path, stamp, 0600);
}

bool exportsUpToDate(PluginData* root, const char* webServiceHost) {
    const std::string path = stampPath(root);
    if (path.empty()) return true; // no support folder: nothing to compare with
    std::string target = storeExportTarget();
    if (root->state.getOSXVersion() < 10.5f) {
        char location[ProtectedData::iCalLocCapacity];
        root->state.getiCalLoc(location);
        target = fileExportTarget(location);
    }
    const ExportedShows shows = exportedShows(root);
    return readStamp(path) == exportStamp(shows, target, webServiceHost ? webServiceHost : "");
}

} // namespace vx
