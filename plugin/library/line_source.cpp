#include "plugin/library/line_source.h"

#include "common/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

namespace {

constexpr std::size_t kSmallestBlock = 4096;

const char* lastLineFeed(const char* from, std::size_t length) {
    return static_cast<const char*>(memrchr(from, '\n', length));
}

} // namespace

LineSource::LineSource(const char* path, HugeArena* arena) {
    vx::FileOpening opening = vx::FileOpening::missing;
    fd = vx::openRegularFile(path, &opening);
    notRegular_ = opening == vx::FileOpening::notRegular;
    if (fd < 0) return;
    // A small file gets a block of its own size, read in one go.
    struct stat info {};
    std::size_t bytes = kBlockBytes;
    if (::fstat(fd, &info) == 0 && info.st_size >= 0 && static_cast<uint64_t>(info.st_size) < kBlockBytes)
        bytes = std::max(kSmallestBlock, static_cast<std::size_t>(info.st_size) + 1);
    if (arena && bytes == kBlockBytes) {
        block = reinterpret_cast<char*>(arena->take(bytes));
        blockSize = bytes;
    } else {
        growBlock(bytes);
    }
}

void LineSource::growBlock(std::size_t bytes) {
    if (block != grown.data()) grown.assign(block, block + end);
    grown.resize(bytes);
    block = grown.data();
    blockSize = bytes;
}

LineSource::~LineSource() {
    if (fd >= 0) ::close(fd);
}

bool LineSource::readMore() {
    if (begin > 0) {
        std::memmove(block, block + begin, end - begin);
        end -= begin;
        begin = 0;
    }
    if (end == blockSize) {
        if (blockSize >= kLongestLine) return false;
        growBlock(std::min(kLongestLine, blockSize * 2));
    }
    while (!atEnd) {
        const ssize_t n = ::read(fd, block + end, blockSize - end);
        if (n < 0 && errno == EINTR) continue;
        // A read error (a folder, a vanished disk) ends the file where it stands.
        if (n <= 0) {
            atEnd = true;
            return false;
        }
        end += static_cast<std::size_t>(n);
        return true;
    }
    return false;
}

bool LineSource::nextLines(std::string_view& out) {
    if (fd < 0) return false;
    std::size_t searched = begin; // bytes before this hold no line feed
    for (;;) {
        if (skipping && begin < end) {
            const void* feed = std::memchr(block + begin, '\n', end - begin);
            if (!feed) {
                begin = searched = end;
            } else {
                begin = searched = static_cast<std::size_t>(static_cast<const char*>(feed) - block) + 1;
                skipping = false;
            }
        }
        if (!skipping && begin < end) {
            if (const char* feed = lastLineFeed(block + searched, end - searched)) {
                const std::size_t stop = static_cast<std::size_t>(feed - block) + 1;
                out = std::string_view(block + begin, stop - begin);
                begin = stop;
                return true;
            }
            searched = end;
        }
        const std::size_t held = end - begin;
        if (readMore()) {
            searched = begin + (skipping ? 0 : held);
            continue;
        }
        if (skipping || begin == end) return false;
        // The file's last line without a line end, or the head of a line longer than the buffer.
        out = std::string_view(block + begin, end - begin);
        skipping = !atEnd;
        begin = end;
        return true;
    }
}

bool LineSource::next(std::string_view& line) {
    if (!linesLeft) {
        if (!nextLines(lines)) return false;
        linesLeft = true;
    }
    const std::size_t feed = lines.find('\n');
    if (feed == std::string_view::npos) {
        line = withoutCarriageReturn(lines);
        linesLeft = false;
        return true;
    }
    line = withoutCarriageReturn(lines.substr(0, feed));
    lines.remove_prefix(feed + 1);
    linesLeft = !lines.empty();
    return true;
}

} // namespace vx
