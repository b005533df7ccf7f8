#include "service/feed_token.h"

#include <cerrno>
#include <openssl/evp.h>
#include <sys/random.h>
#include <vector>

namespace vxs {
namespace {

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

std::string feedToken(const std::string& nonce, const std::string& uuid) {
    return sha256Hex("voxtrail-feed\n" + nonce + "\n" + uuid);
}

} // namespace vxs
