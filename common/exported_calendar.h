#pragma once
// Which files of a store calendar's folder an export wrote. Only those may an export replace or
// an uninstall remove: anything else there (a user's own event or notes) stays.
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace vx {

// The export's list of the files it wrote, one name a line, kept in the calendar's folder.
inline constexpr const char* kExportedFilesList = ".voxtrail-exported";
inline constexpr const char* kCalendarTitleFile = "displayname";

// The names of the files in folder that an export wrote, the list itself included. A folder an
// older export wrote has no list: there its title file and the events that name our writer.
inline std::set<std::string> exportedFiles(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::set<std::string> ours{kExportedFilesList, kCalendarTitleFile};
    std::error_code ec;
    if (std::ifstream list(folder / kExportedFilesList); list) {
        for (std::string name; std::getline(list, name);)
            if (!name.empty() && name.find('/') == std::string::npos && name != "." && name != "..")
                ours.insert(name);
        return ours;
    }
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() != ".ics" || !it->is_regular_file(ec)) continue;
        std::ifstream in(it->path(), std::ios::binary);
        std::string start(4096, '\0');
        in.read(start.data(), static_cast<std::streamsize>(start.size()));
        start.resize(static_cast<std::size_t>(in.gcount()));
        if (start.find("PRODID:-//Voxtrail//") != std::string::npos)
            ours.insert(it->path().filename().string());
    }
    return ours;
}

} // namespace vx
