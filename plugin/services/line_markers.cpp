#include "plugin/services/line_markers.h"

#include <cstdint>
#include <cstring>

namespace vx {

std::size_t findMarker(std::string_view text, std::string_view pattern) {
    if (pattern.empty()) return 0;
    if (text.size() < pattern.size()) return std::string_view::npos;
    // Lines are short and markers rare in them: jumping between occurrences of the first byte
    // beats a general substring search, whose set-up costs more than the line.
    const char* data = text.data();
    const std::size_t last = text.size() - pattern.size();
    std::size_t pos = 0;
    while (pos <= last) {
        const void* hit = std::memchr(data + pos, pattern.front(), last - pos + 1);
        if (!hit) break;
        pos = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        // Markers are a few bytes long: a loop here costs less than a call, and their first
        // eight bytes are held against one word.
        std::size_t i = 1;
        if (pattern.size() >= 8) {
            std::uint64_t seen = 0, wanted = 0;
            std::memcpy(&seen, data + pos, 8);
            std::memcpy(&wanted, pattern.data(), 8);
            i = seen == wanted ? 8 : pattern.size() + 1;
        }
        while (i < pattern.size() && data[pos + i] == pattern[i])
            ++i;
        if (i == pattern.size()) return pos;
        ++pos;
    }
    return std::string_view::npos;
}

bool valueAfter(std::string_view line, std::size_t at, std::string_view open, std::string_view close,
                std::string_view& value) {
    const std::size_t from = at + open.size();
    const std::size_t to = findMarker(line.substr(from), close);
    if (to == std::string_view::npos) return false;
    value = line.substr(from, to);
    return true;
}

} // namespace vx
