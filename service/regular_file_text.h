#pragma once
// Reading the service's own files (the city table, libraries, scripted source pages). Each must be
// a regular file, opened without waiting: a FIFO or a device in its place is refused at once,
// rather than holding the start or a worker for good.
#include <cstddef>
#include <string>

namespace vxs {

// The lines of a regular file, one at a time, each at most a bounded length (the rest of a longer
// line is skipped), so no file, however large or strange, is held whole.
class FileLines {
  public:
    FileLines() = default;
    ~FileLines();
    FileLines(const FileLines&) = delete;
    FileLines& operator=(const FileLines&) = delete;

    // False, with a reason naming what of path, when it is missing or not a regular file.
    bool open(const std::string& path, const char* what, std::string* error);
    // The next line without its line feed; false at the end or on a read error.
    bool next(std::string* line);

    static constexpr std::size_t kMaxLine = 1 << 20;

  private:
    bool fill();

    int fd_ = -1;
    char buffer_[64 * 1024];
    std::size_t at_ = 0, end_ = 0;
    bool done_ = false;
};

// The whole of a regular file of at most maxBytes; false (with a reason) when it is missing, not
// a regular file, larger, or cannot be read.
bool readRegularFile(const std::string& path, std::size_t maxBytes, std::string* text, std::string* error);

} // namespace vxs
