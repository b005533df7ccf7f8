#include "service/password_hash.h"

#include <crypt.h>

#include <cstdlib>
#include <memory>

namespace vxs {
namespace {

std::atomic<std::size_t> hashesComputed{0};

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

std::string cryptText(const std::string& password, const char* setting) {
    ++hashesComputed;
    void* scratch = nullptr;
    int size = 0;
    const char* hashed = crypt_ra(password.c_str(), setting, &scratch, &size);
    std::unique_ptr<void, FreeDeleter> hold(scratch);
    // A failure is a text starting with "*", never a hash.
    if (!hashed || hashed[0] != '$') return "";
    return hashed;
}

} // namespace

std::string hashPassword(const std::string& password, int cost) {
    if (password.find('\0') != std::string::npos) return "";
    std::unique_ptr<char, FreeDeleter> setting(
        crypt_gensalt_ra("$y$", static_cast<unsigned long>(cost), nullptr, 0));
    if (!setting) return "";
    const std::string hashed = cryptText(password, setting.get());
    return isCurrentHash(hashed) ? hashed : "";
}

bool passwordMatches(const std::string& password, const std::string& stored) {
    if (!isPasswordHash(stored) || password.find('\0') != std::string::npos) return false;
    const std::string again = cryptText(password, stored.c_str());
    if (again.size() != stored.size()) return false;
    unsigned char differ = 0;
    for (std::size_t i = 0; i < stored.size(); ++i)
        differ |= static_cast<unsigned char>(again[i] ^ stored[i]);
    return differ == 0;
}

bool isPasswordHash(const std::string& stored) {
    return isCurrentHash(stored) || stored.rfind("$6$", 0) == 0;
}

bool isCurrentHash(const std::string& stored) {
    return stored.rfind("$y$", 0) == 0;
}

std::size_t passwordHashesComputed() {
    return hashesComputed.load();
}

} // namespace vxs
