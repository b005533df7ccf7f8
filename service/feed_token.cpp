#include "service/feed_token.h"

#include "common/regular_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vxs {
namespace {

constexpr std::size_t kKeyBytes = 32;

std::string hex(const unsigned char* bytes, std::size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    out.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0xF];
    }
    return out;
}

bool isKey(std::string_view text) {
    if (text.size() != kKeyBytes * 2) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// Closes its descriptor when it goes.
struct Descriptor {
    int fd;
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return ::fsync(fd) == 0;
}

// The key file's text (a line end allowed), or nullopt when it cannot be read.
std::optional<std::string> readKeyFile(const std::string& path) {
    // Not waiting: a FIFO at the path would hold the start until someone wrote to it.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (file.fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) return std::nullopt;
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return std::nullopt;
    }
    char buffer[kKeyBytes * 2 + 2];
    std::size_t got = 0;
    while (got < sizeof buffer) {
        const ssize_t n = ::read(file.fd, buffer + got, sizeof buffer - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    std::string text(buffer, got);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

} // namespace

std::string sha256Hex(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &size, EVP_sha256(), nullptr) != 1) return "";
    return hex(digest, size);
}

std::string randomHex(std::size_t bytes) {
    std::vector<unsigned char> buffer(bytes);
    std::size_t got = 0;
    while (got < bytes) {
        const ssize_t n = getrandom(buffer.data() + got, bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return "";
        got += static_cast<std::size_t>(n);
    }
    return hex(buffer.data(), bytes);
}

std::string newFeedKey() {
    return randomHex(kKeyBytes);
}

std::optional<std::string> loadOrCreateFeedKey(const std::string& path, std::string* error) {
    if (vx::regularFileState(path.c_str()) == vx::FileOpening::notRegular) {
        *error = "feed key file " + path + " is not a regular file";
        return std::nullopt;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (std::optional<std::string> text = readKeyFile(path)) {
            if (isKey(*text)) return text;
            *error = "feed key file " + path + " does not hold a key (64 lower-case hex digits)";
            return std::nullopt;
        }
        if (errno != ENOENT) break;
        // Written whole under a name of its own, then linked into place: a process starting at the
        // same time either finds no file or the whole key, and link never replaces one.
        const std::string key = newFeedKey();
        if (key.empty()) {
            *error = "no random bytes for a feed key";
            return std::nullopt;
        }
        std::string temporary = path + ".XXXXXX";
        {
            Descriptor file(::mkstemp(temporary.data()));
            if (file.fd < 0) break;
            const bool written = ::fchmod(file.fd, 0600) == 0 && writeAll(file.fd, key + "\n");
            if (!written) {
                ::unlink(temporary.c_str());
                break;
            }
        }
        const int linked = ::link(temporary.c_str(), path.c_str());
        const int linkError = errno;
        ::unlink(temporary.c_str());
        if (linked == 0) return key;
        if (linkError != EEXIST) {
            errno = linkError;
            break;
        }
    }
    *error = "cannot read or make the feed key file " + path + ": " + std::strerror(errno);
    return std::nullopt;
}

std::string feedToken(std::string_view key, const std::string& nonce, const std::string& uuid) {
    const std::string message = "voxtrail-feed\n" + nonce + "\n" + uuid;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
              reinterpret_cast<const unsigned char*>(message.data()), message.size(), digest, &size))
        return "";
    return hex(digest, size);
}

} // namespace vxs
