#pragma once
// "VoxtrailChanges.log" in the support folder: one readable line per change a refresh found,
// each with the date it was found; only the last 1,000 lines are kept.
#include <ctime>
#include <string>
#include <vector>

namespace vx {

constexpr std::size_t kChangeLogLines = 1000;

// Appends "YYYY-MM-DD HH:MM text" for each text (local time of now) and cuts the file to its last
// kChangeLogLines lines. False when the file could not be written.
bool appendChangeLog(const std::string& path, const std::vector<std::string>& texts, std::time_t now);

} // namespace vx
