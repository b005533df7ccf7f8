#pragma once
// Marker searches over one line of a file that is read as text, not parsed: a value is the text
// between an opening and a closing marker that both stand in the line.
#include <string_view>

namespace vx {

// Position of the first occurrence of pattern in text, or npos.
std::size_t findMarker(std::string_view text, std::string_view pattern);

inline bool hasMarker(std::string_view text, std::string_view pattern) {
    return findMarker(text, pattern) != std::string_view::npos;
}

// The text from the end of an opening marker found at `at` to the first `close` behind it;
// false when there is no such close.
bool valueAfter(std::string_view line, std::size_t at, std::string_view open, std::string_view close,
                std::string_view& value);

} // namespace vx
