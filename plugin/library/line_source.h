#pragma once
// The lines of a file without their line ends, read in large blocks: a library file holds a
// million short lines, and a copy per line would cost as much as the reading itself. The buffer
// grows for a long line only up to kLongestLine; a longer line is searched in that much of its
// head and the rest of it is skipped, so a file without line ends costs bounded memory.
#include "plugin/library/huge_blocks.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace vx {

class LineSource {
  public:
    static constexpr std::size_t kBlockBytes = 128 << 10;
    static constexpr std::size_t kLongestLine = 8 << 20;

    // With an arena, a large file's block is taken from it rather than from the heap.
    explicit LineSource(const char* path, HugeArena* arena = nullptr);
    ~LineSource();
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    bool isOpen() const { return fd >= 0; }
    // Something other than a regular file stands at the path (a FIFO, a device, a folder): it
    // was not opened.
    bool notRegular() const { return notRegular_; }
    // The next run of whole lines: every "\n" in it ends a line, and so does its own end (the
    // file's last line, or the kept head of an over-long line). False at the end of the file.
    // The text stays valid until the next call.
    bool nextLines(std::string_view& lines);
    // The next line, without its "\n" or "\r\n"; false at the end of the file.
    bool next(std::string_view& line);

  private:
    // Reads more behind the unread bytes; false at the end of the file or when the buffer is full.
    bool readMore();

    int fd = -1;
    bool notRegular_ = false;
    // Grows the block to `bytes`, keeping block[0, end).
    void growBlock(std::size_t bytes);

    char* block = nullptr;
    std::size_t blockSize = 0;
    std::vector<char> grown; // the block once it is not the first one
    std::size_t begin = 0;   // unread bytes are block[begin, end)
    std::size_t end = 0;
    bool atEnd = false;
    bool skipping = false;  // dropping the tail of an over-long line up to its line end
    std::string_view lines; // what next() has left of the last run
    bool linesLeft = false;
};

// A line's text without the carriage return of a "\r\n" end.
inline std::string_view withoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

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
