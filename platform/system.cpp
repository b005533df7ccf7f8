#include "platform/system.h"

#include "platform/host_services.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <uuid/uuid.h>

namespace vx {

std::string homeFolder() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "";
}

std::string newUuidString() {
    uuid_t id;
    uuid_generate(id);
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
