#include "platform/graphics/bundle_resources.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace vx {
namespace {
std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
} // namespace

std::string ownBundleResourceFolder(const char* identifier) {
    if (!identifier || !*identifier) return {};
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ownBundleResourceFolder), &info) || !info.dli_fname) return {};
    char resolved[PATH_MAX];
    if (!realpath(info.dli_fname, resolved)) return {};
    const std::string macos = parentOf(resolved);
    const std::string contents = parentOf(macos);
    if (contents.empty() || macos.substr(macos.find_last_of('/') + 1) != "MacOS") return {};
    std::ifstream plist(contents + "/Info.plist");
    if (!plist) return {};
    const std::string text((std::istreambuf_iterator<char>(plist)), std::istreambuf_iterator<char>());
    if (text.find(std::string("<string>") + identifier + "</string>") == std::string::npos) return {};
    return contents + "/Resources";
}

} // namespace vx
