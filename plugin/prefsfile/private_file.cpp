#include "plugin/prefsfile/private_file.h"

#include "common/durable_files.h"
#include "common/regular_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vx {

namespace {
// Closes the descriptor and removes the temporary file unless the write was committed.
struct TempFile {
    std::string path;
    int fd = -1;
    bool committed = false;
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (!committed && !path.empty()) ::unlink(path.c_str());
    }
};

bool fail(std::string* why, const std::string& what) {
    if (why) *why = what + ": " + std::strerror(errno);
    return false;
}
} // namespace

bool writePrivateFile(const std::string& path, const std::string& bytes, std::string* why) {
    TempFile tmp;
    std::vector<char> name(path.begin(), path.end());
    const char suffix[] = ".XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);
    tmp.fd = ::mkstemp(name.data());
    if (tmp.fd < 0) return fail(why, "cannot create a file beside " + path);
    tmp.path = name.data();
    if (::fchmod(tmp.fd, 0600) != 0) return fail(why, "cannot restrict " + tmp.path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(tmp.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(why, "cannot write " + tmp.path);
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(tmp.fd) != 0) return fail(why, "cannot flush " + tmp.path);
    if (::close(tmp.fd) != 0) {
        tmp.fd = -1;
        return fail(why, "cannot close " + tmp.path);
    }
    tmp.fd = -1;
    if (::rename(tmp.path.c_str(), path.c_str()) != 0) return fail(why, "cannot replace " + path);
    tmp.committed = true;
    // The rename itself is on the disk only once the folder is.
    syncFolder(folderOf(path));
    return true;
}

void removeLeftoverTemporaries(const std::string& folder, const std::vector<std::string>& names) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        for (const std::string& name : names) {
            // name + "." + the six characters mkstemp chose
            const bool temporary = file.size() == name.size() + 7 &&
                                   file.compare(0, name.size(), name) == 0 && file[name.size()] == '.' &&
                                   std::all_of(file.begin() + static_cast<long>(name.size()) + 1, file.end(),
                                               [](unsigned char c) { return std::isalnum(c) != 0; });
            std::error_code kind;
            if (temporary && it->is_regular_file(kind) && !it->is_symlink(kind)) ::unlink(it->path().c_str());
        }
    }
}

bool readFileStart(const std::string& path, std::size_t limit, std::string& bytes) {
    bytes.clear();
    int fd = vx::openRegularFile(path.c_str());
    if (fd < 0) return false;
    std::vector<char> buf(limit);
    std::size_t got = 0;
    bool readable = true; // a folder opens but does not read
    while (got < limit) {
        ssize_t n = ::read(fd, buf.data() + got, limit - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) readable = false;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.assign(buf.data(), got);
    return readable;
}

bool fileHasFirstLine(const char* path) {
    const int fd = openRegularFile(path);
    if (fd < 0) return false;
    // The first line is empty exactly when the file starts with its line end: two bytes tell.
    char start[2];
    ssize_t got = 0;
    do {
        got = ::read(fd, start, sizeof start);
    } while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got <= 0 || start[0] == '\n') return false;
    return !(start[0] == '\r' && (got == 1 || start[1] == '\n'));
}

} // namespace vx
