#include "plugin/services/line_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

namespace {

constexpr std::size_t kBlockBytes = 1 << 20;
constexpr std::size_t kSmallestBlock = 4096;

std::string_view withoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

} // namespace

LineSource::LineSource(const char* path) {
    if (path && *path) fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    // A small file gets a block of its own size, read in one go.
    struct stat info {};
    std::size_t bytes = kBlockBytes;
    if (::fstat(fd, &info) == 0 && info.st_size >= 0 && static_cast<uint64_t>(info.st_size) < kBlockBytes)
        bytes = std::max(kSmallestBlock, static_cast<std::size_t>(info.st_size) + 1);
    block.resize(bytes);
}

LineSource::~LineSource() {
    if (fd >= 0) ::close(fd);
}

bool LineSource::fill() {
    begin = end = 0;
    while (!atEnd) {
        const ssize_t n = ::read(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        // A read error (a folder, a vanished disk) ends the file where it stands.
        if (n <= 0) {
            atEnd = true;
            return false;
        }
        end = static_cast<std::size_t>(n);
        return true;
    }
    return false;
}

bool LineSource::next(std::string_view& line) {
    if (fd < 0) return false;
    gathered.clear();
    bool any = false;
    for (;;) {
        if (begin == end && !fill()) {
            // The last line of a file without a final line end.
            if (!any) return false;
            line = withoutCarriageReturn(gathered);
            return true;
        }
        any = true;
        const char* from = block.data() + begin;
        const std::size_t left = end - begin;
        const char* feed = static_cast<const char*>(std::memchr(from, '\n', left));
        if (!feed) {
            gathered.append(from, left);
            begin = end;
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(feed - from);
        begin += length + 1;
        if (gathered.empty()) {
            line = withoutCarriageReturn(std::string_view(from, length));
        } else {
            gathered.append(from, length);
            line = withoutCarriageReturn(gathered);
        }
        return true;
    }
}

} // namespace vx
