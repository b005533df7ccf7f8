#include "plugin/library/reader_module.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <vector>

namespace vx {

namespace {

// The folder of the file holding this code: the plug-in bundle's, or the program's when it is
// linked into one (whose name the loader keeps only as it was typed).
std::string ownFolder() {
    Dl_info info{};
    link_map* map = nullptr;
    std::string file;
    if (::dladdr1(reinterpret_cast<void*>(&ownFolder), &info, reinterpret_cast<void**>(&map),
                  RTLD_DL_LINKMAP) != 0 &&
        map && map->l_prev && info.dli_fname)
        file = info.dli_fname;
    if (file.empty()) {
        std::vector<char> path(4096);
        const ssize_t got = ::readlink("/proc/self/exe", path.data(), path.size());
        if (got > 0 && static_cast<std::size_t>(got) < path.size())
            file.assign(path.data(), static_cast<std::size_t>(got));
    }
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

std::string lastLoadError() {
    const char* error = ::dlerror();
    return error ? error : "unknown error";
}

} // namespace

ModuleEntry readerModuleEntry(const char* module, const char* symbol) {
    ModuleEntry entry;
    const std::string path = ownFolder() + "/" + module;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        entry.problem = "reader missing: " + lastLoadError();
        return entry;
    }
    entry.address = ::dlsym(handle, symbol);
    if (!entry.address) {
        entry.problem = "reader broken: " + lastLoadError();
        ::dlclose(handle);
    }
    return entry;
}

} // namespace vx
