#pragma once
// Marker searches over one line of a file that is read as text, not parsed: a value is the text
// between an opening and a closing marker that both stand in the line.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vx {

// Position of the first byte c in text, or npos. The texts searched are a line's few bytes, for
// which a call to memchr costs more than the search: 16 bytes are held against c at a time, the
// last 16 overlapping those before.
inline std::size_t findByte(std::string_view text, char c) {
    const char* p = text.data();
    const std::size_t n = text.size();
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i wanted = _mm_set1_epi8(c);
        for (std::size_t i = 0;; i += 16) {
            if (i + 16 > n) i = n - 16;
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted)));
            if (hits) return i + static_cast<std::size_t>(__builtin_ctz(hits));
            if (i + 16 == n) return std::string_view::npos;
        }
    }
#endif
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] == c) return i;
    return std::string_view::npos;
}

// Position of the first occurrence of pattern in text, or npos. Inline: the patterns are constants
// the compiler can fold into the search.
inline std::size_t findMarker(std::string_view text, std::string_view pattern) {
    if (pattern.empty()) return 0;
    if (text.size() < pattern.size()) return std::string_view::npos;
    // Lines are short and markers rare in them: jumping between occurrences of the first byte
    // beats a general substring search, whose set-up costs more than the line.
    const char* data = text.data();
    const std::size_t last = text.size() - pattern.size();
    std::size_t pos = 0;
    while (pos <= last) {
        const std::size_t hit = findByte(std::string_view(data + pos, last - pos + 1), pattern.front());
        if (hit == std::string_view::npos) break;
        pos += hit;
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

// The text from the end of an opening marker found at `at` to the first `close` behind it;
// false when there is no such close.
inline bool valueAfter(std::string_view line, std::size_t at, std::string_view open, std::string_view close,
                       std::string_view& value) {
    const std::size_t from = at + open.size();
    const std::size_t to = findMarker(line.substr(from), close);
    if (to == std::string_view::npos) return false;
    value = line.substr(from, to);
    return true;
}

inline bool hasMarker(std::string_view text, std::string_view pattern) {
    return findMarker(text, pattern) != std::string_view::npos;
}

} // namespace vx
