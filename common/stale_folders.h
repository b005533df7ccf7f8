#pragma once
// Work folders a crash left behind: each kind is named with a prefix of its own, and one old
// enough that no run can still be filling it is removed.
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

inline constexpr std::chrono::hours kStaleFolderAge{1};

inline void removeStaleFolders(const std::filesystem::path& folder, std::string_view prefix,
                               std::filesystem::file_time_type::duration age = kStaleFolderAge) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        if (path.filename().string().rfind(prefix, 0) != 0) continue;
        std::error_code kind;
        if (it->is_symlink(kind) || !it->is_directory(kind)) continue;
        const auto written = fs::last_write_time(path, kind);
        if (!kind && now - written >= age) stale.push_back(path);
    }
    for (const fs::path& path : stale)
        fs::remove_all(path, ec);
}

} // namespace vx
