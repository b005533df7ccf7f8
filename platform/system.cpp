#include "platform/system.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace vx {

std::string homeFolder() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "";
}

} // namespace vx
