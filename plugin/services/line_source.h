#pragma once
// The lines of a file without their line ends, read in large blocks: a library file holds a
// million short lines, and a copy per line would cost as much as the reading itself. A line
// longer than a block is gathered whole, however long.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

class LineSource {
  public:
    explicit LineSource(const char* path);
    ~LineSource();
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    bool isOpen() const { return fd >= 0; }
    // The next line, without its "\n" or "\r\n"; false at the end of the file. The text stays
    // valid until the next call.
    bool next(std::string_view& line);

  private:
    bool fill();

    int fd = -1;
    std::vector<char> block;
    std::size_t begin = 0; // unread bytes are block[begin, end)
    std::size_t end = 0;
    bool atEnd = false;
    std::string gathered; // a line spread over several blocks
};

// Calls each(line) for every line of the file; false when it does not open.
template <typename Each> bool forEachLine(const char* path, Each each) {
    LineSource source(path);
    if (!source.isOpen()) return false;
    std::string_view line;
    while (source.next(line))
        each(line);
    return true;
}

} // namespace vx
