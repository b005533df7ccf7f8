#include "installer/app_bundle.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace vx::installer {

namespace fs = std::filesystem;

AppBundle appBundleOf(const std::string& executablePath) {
    const fs::path contents = fs::path(executablePath).parent_path().parent_path();
    return {contents.string(), (contents / "Resources").string(), (contents / "Info.plist").string()};
}

AppBundle ownAppBundle() {
    std::error_code ec;
    return appBundleOf(fs::read_symlink("/proc/self/exe", ec).string());
}

std::string infoValue(const std::string& plistPath, const std::string& key) {
    std::ifstream in(plistPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string s = text.str();
    const std::size_t at = s.find("<key>" + key + "</key>");
    if (at == std::string::npos) return "";
    const std::size_t open = s.find("<string>", at);
    const std::size_t nextKey = s.find("<key>", at + 1);
    if (open == std::string::npos || (nextKey != std::string::npos && nextKey < open)) return "";
    const std::size_t from = open + 8;
    const std::size_t close = s.find("</string>", from);
    return close == std::string::npos ? "" : s.substr(from, close - from);
}

} // namespace vx::installer
