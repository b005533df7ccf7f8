#include "service/password_hash.h"

#include <crypt.h>

#include <cstdlib>
#include <memory>

namespace vxs {
namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

std::string cryptText(const std::string& password, const char* setting) {
    void* scratch = nullptr;
    int size = 0;
    const char* hashed = crypt_ra(password.c_str(), setting, &scratch, &size);
    std::unique_ptr<void, FreeDeleter> hold(scratch);
    // A failure is a text starting with "*", never a hash.
    if (!hashed || hashed[0] != '$') return "";
    return hashed;
}

} // namespace

std::string hashPassword(const std::string& password) {
    std::unique_ptr<char, FreeDeleter> setting(crypt_gensalt_ra("$6$", 0, nullptr, 0));
    if (!setting) return "";
    return cryptText(password, setting.get());
}

bool passwordMatches(const std::string& password, const std::string& stored) {
    if (!isPasswordHash(stored)) return false;
    const std::string again = cryptText(password, stored.c_str());
    if (again.size() != stored.size()) return false;
    unsigned char differ = 0;
    for (std::size_t i = 0; i < stored.size(); ++i)
        differ |= static_cast<unsigned char>(again[i] ^ stored[i]);
    return differ == 0;
}

bool isPasswordHash(const std::string& stored) {
    return stored.rfind("$6$", 0) == 0;
}

} // namespace vxs
