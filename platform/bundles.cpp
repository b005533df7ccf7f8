// Bundles over folders and dlopen. Every bundle made is kept in one table for the life of the
// process, so a look-up by identifier finds it and a second CFBundleCreate returns the same one.
#include "platform/graphics/bundle_resources.h"
#include "platform/system.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>

namespace fs = std::filesystem;

struct VxCFBundle : VxCFObject {
    std::string folder; // ".../Name.bundle", without a trailing "/"
    std::string identifier;
    std::string executable;
    void* code = nullptr; // dlopen handle once loaded
};

namespace {

struct BundleTable {
    std::mutex lock;
    std::map<std::string, std::unique_ptr<VxCFBundle>> byFolder;
};

BundleTable& table() {
    static BundleTable t;
    return t;
}

std::string text(CFStringRef s) {
    const char* p = CFStringGetCStringPtr(s, kCFStringEncodingUTF8);
    return p ? p : "";
}

// The string value that follows <key>key</key> in an Info.plist text; "" when there is none.
std::string plistValue(const std::string& plist, const std::string& key) {
    const std::size_t k = plist.find("<key>" + key + "</key>");
    if (k == std::string::npos) return "";
    const std::size_t open = plist.find("<string>", k);
    const std::size_t close = open == std::string::npos ? open : plist.find("</string>", open);
    if (close == std::string::npos) return "";
    return plist.substr(open + 8, close - open - 8);
}

// The table's bundle for folder, made when new. Called with the table locked.
VxCFBundle* bundleAt(BundleTable& t, const std::string& folder) {
    auto& slot = t.byFolder[folder];
    if (!slot) {
        slot = std::make_unique<VxCFBundle>();
        slot->folder = folder;
        std::ifstream in(folder + "/Contents/Info.plist", std::ios::binary);
        const std::string plist((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        slot->identifier = plistValue(plist, "CFBundleIdentifier");
        slot->executable = plistValue(plist, "CFBundleExecutable");
        if (slot->executable.empty() || slot->executable.find('/') != std::string::npos)
            slot->executable = fs::path(folder).stem().string();
    }
    return slot.get();
}

CFURLRef makeURL(std::string path) {
    auto* url = new VxCFURL;
    url->finalize = [](VxCFObject* o) { delete static_cast<VxCFURL*>(o); };
    url->path = std::move(path);
    return url;
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef identifier) {
    const std::string id = text(identifier);
    if (id.empty()) return nullptr;
    BundleTable& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    // The calling code's own bundle first, as the process's loaded bundles come first.
    if (const std::string resources = vx::ownBundleResourceFolder(id.c_str()); !resources.empty()) {
        VxCFBundle* own = bundleAt(t, fs::path(resources).parent_path().parent_path().string());
        if (own->identifier == id) return own;
    }
    for (auto& [folder, bundle] : t.byFolder)
        if (bundle->identifier == id) return bundle.get();
    return nullptr;
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
    return bundle ? makeURL(bundle->folder + "/Contents/Resources/") : nullptr;
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef, CFURLRef url, CFStringRef component,
                                               bool isDirectory) {
    if (!url || !component) return nullptr;
    std::string path = url->path;
    if (path.empty() || path.back() != '/') path += '/';
    path += text(component);
    if (isDirectory) path += '/';
    return makeURL(std::move(path));
}

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
    if (!bundleURL) return nullptr;
    std::error_code ec;
    if (!fs::is_directory(bundleURL->path, ec)) return nullptr;
    const fs::path canonical = fs::canonical(bundleURL->path, ec);
    if (ec) return nullptr;
    BundleTable& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    VxCFBundle* bundle = bundleAt(t, withoutTrailingSlash(canonical.string()));
    CFRetain(bundle);
    return bundle;
}

bool CFBundleLoadExecutable(CFBundleRef bundle) {
    if (!bundle) return false;
    std::lock_guard<std::mutex> hold(table().lock);
    if (bundle->code) return true;
    const std::string path = bundle->folder + "/Contents/MacOS/" + bundle->executable;
    // Its own symbols stay its own: the bundle's names never stand in for the host's.
    bundle->code = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!bundle->code) {
        const char* why = dlerror();
        std::fprintf(stderr, "Voxtrail: the bundle %s could not be loaded (%s)\n", bundle->folder.c_str(),
                     why ? why : "no reason given");
    }
    return bundle->code != nullptr;
}

void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef name) {
    if (!bundle || !name) return nullptr;
    std::lock_guard<std::mutex> hold(table().lock);
    return bundle->code ? dlsym(bundle->code, text(name).c_str()) : nullptr;
}
