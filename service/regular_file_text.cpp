#include "service/regular_file_text.h"

#include "common/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vxs {
namespace {

std::string refusal(vx::FileOpening why, const char* what, const std::string& path) {
    if (why == vx::FileOpening::notRegular) return std::string(what) + " " + path + " is not a regular file";
    return std::string("cannot open ") + what + " " + path;
}

ssize_t readSome(int fd, char* into, std::size_t room) {
    ssize_t n;
    do
        n = ::read(fd, into, room);
    while (n < 0 && errno == EINTR);
    return n;
}

} // namespace

FileLines::~FileLines() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileLines::open(const std::string& path, const char* what, std::string* error) {
    vx::FileOpening why{};
    fd_ = vx::openRegularFile(path.c_str(), &why);
    if (fd_ < 0 && error) *error = refusal(why, what, path);
    return fd_ >= 0;
}

bool FileLines::fill() {
    if (done_ || fd_ < 0) return false;
    const ssize_t n = readSome(fd_, buffer_, sizeof buffer_);
    if (n <= 0) {
        done_ = true;
        return false;
    }
    at_ = 0;
    end_ = static_cast<std::size_t>(n);
    return true;
}

bool FileLines::next(std::string* line) {
    line->clear();
    bool any = false;
    for (;;) {
        if (at_ == end_ && !fill()) return any;
        any = true;
        const char* start = buffer_ + at_;
        const auto* feed = static_cast<const char*>(std::memchr(start, '\n', end_ - at_));
        const std::size_t take = feed ? static_cast<std::size_t>(feed - start) : end_ - at_;
        if (line->size() < kMaxLine) line->append(start, std::min(take, kMaxLine - line->size()));
        at_ += take;
        if (feed) {
            ++at_;
            return true;
        }
    }
}

bool readRegularFile(const std::string& path, std::size_t maxBytes, std::string* text, std::string* error) {
    vx::FileOpening why{};
    const int fd = vx::openRegularFile(path.c_str(), &why);
    if (fd < 0) {
        *error = refusal(why, "file", path);
        return false;
    }
    text->clear();
    char buffer[64 * 1024];
    bool ok = true;
    for (;;) {
        const ssize_t n = readSome(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0 || text->size() + static_cast<std::size_t>(n) > maxBytes) {
            *error = n < 0 ? "cannot read " + path
                           : path + " is larger than " + std::to_string(maxBytes) + " bytes";
            ok = false;
            break;
        }
        text->append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok;
}

} // namespace vxs
