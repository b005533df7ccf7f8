#include "plugin/services/line_markers.h"

#include <cstring>

namespace vx {

std::size_t findMarker(std::string_view text, std::string_view pattern) {
    if (pattern.empty()) return 0;
    const void* hit = memmem(text.data(), text.size(), pattern.data(), pattern.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : std::string_view::npos;
}

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

bool hasMarkerIgnoringCase(std::string_view text, std::string_view lowerPattern) {
    if (lowerPattern.empty()) return true;
    if (text.size() < lowerPattern.size()) return false;
    const char first = lowerPattern.front();
    const bool firstIsLetter = first >= 'a' && first <= 'z';
    const std::size_t last = text.size() - lowerPattern.size();
    std::size_t pos = 0;
    while (pos <= last) {
        if (!firstIsLetter) {
            // Markers start with punctuation: jump between its occurrences.
            const void* hit = std::memchr(text.data() + pos, first, last - pos + 1);
            if (!hit) return false;
            pos = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        }
        std::size_t i = 0;
        while (i < lowerPattern.size() && lowerAscii(text[pos + i]) == lowerPattern[i]) ++i;
        if (i == lowerPattern.size()) return true;
        ++pos;
    }
    return false;
}

bool markedValue(std::string_view line, std::string_view open, std::string_view close, std::string_view& value) {
    const std::size_t at = findMarker(line, open);
    if (at == std::string_view::npos) return false;
    const std::size_t from = at + open.size();
    const std::size_t to = findMarker(line.substr(from), close);
    if (to == std::string_view::npos) return false;
    value = line.substr(from, to);
    return true;
}

} // namespace vx
