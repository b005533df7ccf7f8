#include "tests/e2e/harness/temp_home.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace vx::e2e {

namespace fs = std::filesystem;

TempHome::TempHome() {
    std::string pattern = (fs::temp_directory_path() / "vx-home-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary home");
    path_ = pattern;
}

TempHome::~TempHome() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TempHome::file(const std::string& relative) const {
    return path_ + "/" + relative;
}

std::map<std::string, std::string> TempHome::playerEnvironment() const {
    std::string runtime = file("run");
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    return {{"HOME", path_}, {"QT_QPA_PLATFORM", "offscreen"}, {"XDG_RUNTIME_DIR", runtime}};
}

std::string TempHome::pluginFolder() const {
    return file("Library/iTunes/iTunes Plug-ins");
}

void TempHome::writeFile(const std::string& relative, const std::string& content) const {
    fs::path p = fs::path(relative).is_absolute() ? fs::path(relative) : fs::path(path_) / relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string TempHome::readFile(const std::string& relative) const {
    fs::path p = fs::path(relative).is_absolute() ? fs::path(relative) : fs::path(path_) / relative;
    std::ifstream in(p, std::ios::binary);
    if (!in) return {};
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TempHome::waitForContent(const std::string& relative,
                              const std::function<bool(const std::string&)>& done, int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // A file renamed into place is read whole or not at all.
        if (done(readFile(relative))) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::string TempHome::installBundle(const std::string& bundleDir) const {
    fs::path dest = fs::path(pluginFolder()) / fs::path(bundleDir).filename();
    fs::create_directories(dest.parent_path());
    fs::copy(bundleDir, dest, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    return dest.string();
}

std::string TempHome::installModuleAsBundle(const std::string& modulePath, const std::string& name,
                                            std::map<std::string, std::string> plistKeys) const {
    fs::path bundle = fs::path(pluginFolder()) / (name + ".bundle");
    fs::create_directories(bundle / "Contents" / "MacOS");
    fs::create_directories(bundle / "Contents" / "Resources");
    fs::copy_file(modulePath, bundle / "Contents" / "MacOS" / name, fs::copy_options::overwrite_existing);
    plistKeys.try_emplace("CFBundleName", name);
    plistKeys.try_emplace("CFBundleShortVersionString", "1.0");
    writeFile((bundle / "Contents" / "Info.plist").string(), infoPlist(plistKeys));
    return bundle.string();
}

std::string infoPlist(const std::map<std::string, std::string>& keys) {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
    for (const auto& [k, v] : keys)
        s += "\t<key>" + k + "</key>\n\t<string>" + v + "</string>\n";
    return s + "</dict>\n</plist>\n";
}

} // namespace vx::e2e
