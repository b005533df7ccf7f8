#pragma once
// Files only their owner may read, written whole or not at all.
#include <string>
#include <vector>

namespace vx {

// Writes bytes to a temporary file beside path (mode 0600), flushes it to disk and renames it
// over path, so a crash or a full disk leaves the previous file whole. False on any failure,
// with the reason in *why when given.
bool writePrivateFile(const std::string& path, const std::string& bytes, std::string* why = nullptr);

// Removes the temporary files that a save killed before its rename left beside each named file
// ("name.XXXXXX"); nothing else.
void removeLeftoverTemporaries(const std::string& folder, const std::vector<std::string>& names);

// Up to limit bytes of the file; false when it cannot be opened.
bool readFileStart(const std::string& path, std::size_t limit, std::string& bytes);

// A regular file that opens and whose first line holds something.
bool fileHasFirstLine(const char* path);

} // namespace vx
