#pragma once
// The phone service password, kept apart from the preferences in the support folder's "pd".
#include <string>

namespace vx {

// The file's record: the password in 64 bytes, NUL-padded.
inline constexpr std::size_t kPasswordFileBytes = 64;

// "pd" in the support folder of the home folder.
std::string passwordFilePath();
// Writes the record (password cut to 63 bytes) whole or not at all, readable by its owner only.
bool writePasswordFile(const std::string& path, const char* password, std::string* why = nullptr);

} // namespace vx
