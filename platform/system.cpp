#include "platform/system.h"

#include "platform/host_services.h"

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/random.h>
#include <unistd.h>
#include <uuid/uuid.h>

namespace vx {

std::string homeFolder() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "";
}

std::string newUuidString() {
    // Random bytes are drawn a pool at a time: a refresh names thousands of new shows, and a
    // system call for each showed. The pool is the thread's; nothing here forks without exec.
    thread_local unsigned char pool[4096];
    thread_local std::size_t used = sizeof pool;
    uuid_t id;
    if (used + sizeof id > sizeof pool) {
        std::size_t filled = 0;
        while (filled < sizeof pool) {
            const ssize_t n = getrandom(pool + filled, sizeof pool - filled, 0);
            if (n <= 0) break;
            filled += static_cast<std::size_t>(n);
        }
        if (filled < sizeof pool) { // no entropy source answered: the library's own way
            uuid_generate(id);
            char text[37];
            uuid_unparse_upper(id, text);
            return text;
        }
        used = 0;
    }
    std::memcpy(id, pool + used, sizeof id);
    std::memset(pool + used, 0, sizeof id); // a used id's bytes are not left behind
    used += sizeof id;
    id[6] = static_cast<unsigned char>((id[6] & 0x0F) | 0x40); // version 4: random
    id[8] = static_cast<unsigned char>((id[8] & 0x3F) | 0x80); // the RFC 4122 variant
    char text[37];
    uuid_unparse_upper(id, text);
    return text;
}

} // namespace vx

OSStatus Gestalt(OSType selector, int32_t* response) {
    if (!response) return paramErr;
    if (selector != gestaltSystemVersion) return gestaltUndefSelectorErr;
    int32_t major = -1, minor = -1;
    if (!vx::hostSystemVersion(&major, &minor) || major < 0 || minor < 0) return gestaltUndefSelectorErr;
    // Two BCD digits for the major version, one for the minor, one for the fix level (0 here).
    auto bcd = [](int32_t v) { return ((v / 10) % 10) << 4 | (v % 10); };
    *response = (bcd(major) << 8) | ((minor > 15 ? 15 : minor) << 4);
    return noErr;
}
