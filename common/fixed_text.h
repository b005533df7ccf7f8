#pragma once
// Fixed-capacity texts: every copy takes at most capacity - 1 bytes and always terminates.
// Longer input is cut, never grown.
#include <cstddef>
#include <cstring>

namespace vx {

// Copies src into dst (capacity bytes), cut to capacity - 1; a null src gives "".
inline void copyText(char* dst, std::size_t capacity, const char* src) {
    if (!dst || capacity == 0) return;
    std::size_t n = 0;
    if (src) {
        n = strnlen(src, capacity - 1);
        std::memmove(dst, src, n);
    }
    dst[n] = '\0';
}

template <std::size_t N> inline void copyText(char (&dst)[N], const char* src) {
    copyText(dst, N, src);
}

// Appends src to the terminated text in dst, cut so that dst keeps within capacity.
inline void appendText(char* dst, std::size_t capacity, const char* src) {
    if (!dst || capacity == 0) return;
    std::size_t len = strnlen(dst, capacity - 1);
    copyText(dst + len, capacity - len, src);
}

template <std::size_t N> inline void appendText(char (&dst)[N], const char* src) {
    appendText(dst, N, src);
}

} // namespace vx
