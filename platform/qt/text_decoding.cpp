#include "platform/qt/text_decoding.h"

#include "common/mac_roman.h"

#include <cstdint>

namespace vx {
namespace {

// Length of the well-formed UTF-8 sequence at p (at most n bytes available), 0 when none.
std::size_t utf8Sequence(const unsigned char* p, std::size_t n, char32_t* out) {
    const unsigned char b = p[0];
    std::size_t len;
    char32_t cp, min;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2, cp = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3, cp = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4, cp = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (len > n) return 0;
    for (std::size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    *out = cp;
    return len;
}

} // namespace

QString decodeDrawnText(const char* bytes, std::size_t length) {
    QString text;
    if (!bytes) return text;
    text.reserve(static_cast<qsizetype>(length));
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < length;) {
        if (p[i] < 0x80) {
            text += QChar(p[i]);
            ++i;
            continue;
        }
        char32_t cp = 0;
        if (const std::size_t len = utf8Sequence(p + i, length - i, &cp)) {
            const char32_t one[1] = {cp};
            text += QString::fromUcs4(one, 1);
            i += len;
        } else {
            text += QChar(static_cast<char16_t>(macRomanToUnicode(p[i])));
            ++i;
        }
    }
    return text;
}

} // namespace vx
