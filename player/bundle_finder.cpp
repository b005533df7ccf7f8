#include "player/bundle_finder.h"

#include "player/plist_reader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace vx::player {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBundleSuffix = ".bundle";

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// An executable name must stay inside Contents/MacOS.
bool isPlainFileName(const std::string& s) {
    return !s.empty() && s != "." && s != ".." && s.find('/') == std::string::npos;
}

} // namespace

std::string pluginFolder(const std::string& home) {
    return home + "/Library/iTunes/iTunes Plug-ins";
}

std::string systemPluginFolder(const std::string& programFolder) {
    return (fs::path(programFolder) / ".." / "lib" / "voxtrail" / "plug-ins").lexically_normal().string();
}

BundleInfo describeBundle(const std::string& bundlePath) {
    BundleInfo info;
    info.path = bundlePath;
    info.folderName = fs::path(bundlePath).filename().string();
    std::string base = info.folderName;
    if (base.ends_with(kBundleSuffix)) base.resize(base.size() - kBundleSuffix.size());
    info.name = base;
    info.version = "unknown";
    std::string exe = base;

    std::unique_ptr<PlistValue> plist =
        parsePlist(readFile(fs::path(bundlePath) / "Contents" / "Info.plist"));
    if (plist && plist->kind == PlistValue::Kind::Dict) {
        if (std::string n = plist->textOf("CFBundleName"); !n.empty()) info.name = n;
        if (std::string v = plist->textOf("CFBundleShortVersionString"); !v.empty()) info.version = v;
        info.identifier = plist->textOf("CFBundleIdentifier");
        if (std::string e = plist->textOf("CFBundleExecutable"); isPlainFileName(e)) exe = e;
    }
    info.executable = (fs::path(bundlePath) / "Contents" / "MacOS" / exe).string();
    return info;
}

std::vector<BundleInfo> findBundles(const std::string& folder) {
    std::vector<std::string> paths;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() > kBundleSuffix.size() && name.ends_with(kBundleSuffix))
            paths.push_back(it->path().string());
    }
    std::sort(paths.begin(), paths.end());
    std::vector<BundleInfo> out;
    for (const std::string& p : paths)
        out.push_back(describeBundle(p));
    return out;
}

std::vector<BundleInfo> findBundles(const std::vector<std::string>& folders,
                                    std::vector<BundleInfo>* passedOver) {
    std::vector<BundleInfo> out;
    for (const std::string& folder : folders) {
        const size_t earlier = out.size();
        for (BundleInfo& info : findBundles(folder)) {
            const bool taken = std::any_of(out.begin(), out.begin() + earlier, [&](const BundleInfo& b) {
                return b.folderName == info.folderName ||
                       (!info.identifier.empty() && b.identifier == info.identifier);
            });
            if (!taken)
                out.push_back(std::move(info));
            else if (passedOver)
                passedOver->push_back(std::move(info));
        }
    }
    return out;
}

} // namespace vx::player
