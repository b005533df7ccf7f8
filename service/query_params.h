#pragma once
// Reads the query of a request target. The plug-in escapes nothing but blanks
// (sent as "+"), so values are decoded the usual way and kept as bytes.
// Every limit is checked before anything is kept, so no request can make the
// service hold more than a few kilobytes for it.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vxs {

struct QueryLimits {
    std::size_t maxQueryBytes = 2048;
    std::size_t maxParams = 32;
    std::size_t maxValueBytes = 512;
};

class Query {
  public:
    // Parses the part of target behind its first "?"; false with a reason when a limit is passed.
    bool parse(std::string_view target, const QueryLimits& limits, std::string* error);

    // The first value of key (exact case), or nullptr.
    const std::string* get(std::string_view key) const;

  private:
    std::vector<std::pair<std::string, std::string>> pairs_;
};

// "%41" -> "A", "+" -> " "; a "%" without two hex digits stays as it is.
std::string decodeQueryText(std::string_view text);

} // namespace vxs
