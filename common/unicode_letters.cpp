#include "common/unicode_letters.h"

namespace vx {

std::size_t utf8CharLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length;
    char32_t least;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
    const char32_t cp = utf8CodePoint(text, at, length);
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

char32_t utf8CodePoint(std::string_view text, std::size_t at, std::size_t length) {
    static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t cp = static_cast<unsigned char>(text[at]) & kLeadBits[length];
    for (std::size_t k = 1; k < length; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
    return cp;
}

bool isNonAsciiLetter(char32_t cp) {
    struct Range {
        char32_t first, last;
    };
    // Blocks of punctuation, symbols and non-characters inside the letter ranges below.
    static constexpr Range kNotLetters[] = {
        {0x037E, 0x037E}, {0x0387, 0x0387}, {0x055A, 0x055F}, {0x0589, 0x058A}, {0x05BE, 0x05BE},
        {0x05C0, 0x05C0}, {0x05C3, 0x05C3}, {0x05C6, 0x05C6}, {0x05F3, 0x05F4}, {0x0600, 0x060F},
        {0x061B, 0x061F}, {0x066A, 0x066D}, {0x06D4, 0x06D4}, {0x0964, 0x0965}, {0x0E4F, 0x0E4F},
        {0x0E5A, 0x0E5B}, {0x10FB, 0x10FB}, {0x1360, 0x1368}, {0x166D, 0x166E}, {0x1680, 0x1680},
        {0x16EB, 0x16ED}, {0x1800, 0x180F}, {0x1FBD, 0x1FBD}, {0x1FBF, 0x1FC1}, {0x1FCD, 0x1FCF},
        {0x1FDD, 0x1FDF}, {0x1FED, 0x1FEF}, {0x1FFD, 0x1FFE}, {0x2E00, 0x2E7F}, {0x3000, 0x3004},
        {0x3008, 0x3020}, {0x3030, 0x3030}, {0x303D, 0x303F}, {0x30FB, 0x30FB}, {0xD800, 0xF8FF},
        {0xFD3E, 0xFD3F}, {0xFE00, 0xFE1F}, {0xFE30, 0xFE6F}, {0xFEFF, 0xFF0F}, {0xFF1A, 0xFF20},
        {0xFF3B, 0xFF40}, {0xFF5B, 0xFF65}, {0xFFDD, 0xFFFF},
    };
    // Letters, marks and digits of the scripts; everything between them (general punctuation,
    // arrows, mathematical and technical symbols, box drawing, emoji) is not.
    static constexpr Range kLetters[] = {
        {0x00AA, 0x00AA}, {0x00B5, 0x00B5},   {0x00BA, 0x00BA},   {0x00C0, 0x00D6},
        {0x00D8, 0x00F6}, {0x00F8, 0x1FFF},   {0x20D0, 0x20FF},   {0x2C00, 0x2DFF},
        {0x2E80, 0xFFEF}, {0x10000, 0x1CFFF}, {0x20000, 0x3FFFF},
    };
    for (const Range& r : kNotLetters)
        if (cp >= r.first && cp <= r.last) return false;
    for (const Range& r : kLetters)
        if (cp >= r.first && cp <= r.last) return true;
    return false;
}

} // namespace vx
