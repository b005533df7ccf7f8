#pragma once
// Fields of a read page are views into it; the records keep fixed-capacity texts.
#include <cstddef>
#include <cstring>
#include <string_view>

namespace vx {

// Copies a view (which need not be terminated) into dst, cut to capacity - 1 and terminated.
inline void copyView(char* dst, std::size_t capacity, std::string_view text) {
    const std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

} // namespace vx
