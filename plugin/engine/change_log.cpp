#include "plugin/engine/change_log.h"

#include "common/durable_files.h"
#include "plugin/prefsfile/preference_fields.h"

#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {
namespace {

// The log's bytes. A symbolic link in its place (or anything but a regular file) is not read
// through: another file's contents must never find their way into the log.
std::string readLog(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return "";
    std::string bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        char buffer[65536];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return bytes;
}

} // namespace

bool appendChangeLog(const std::string& path, const std::vector<std::string>& texts, std::time_t now) {
    if (texts.empty()) return true;
    std::deque<std::string> lines;
    const std::string old = readLog(path);
    for (std::size_t from = 0; from < old.size();) {
        std::size_t end = old.find('\n', from);
        if (end == std::string::npos) end = old.size();
        lines.emplace_back(old, from, end - from);
        if (lines.size() > kChangeLogLines) lines.pop_front();
        from = end + 1;
    }
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M ", &local);
    for (const std::string& text : texts) {
        lines.push_back(stamp + oneLine(text.c_str()));
        if (lines.size() > kChangeLogLines) lines.pop_front();
    }
    std::string out;
    for (const std::string& line : lines)
        out += line + "\n";
    // Renamed into place, so a link standing there is replaced rather than written through; the
    // log tells which shows the user chose, for the user alone.
    return writeFileDurably(path, out, 0600);
}

} // namespace vx
