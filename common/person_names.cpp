#include "common/person_names.h"

#include "common/unicode_letters.h"

#include <cstdio>

namespace vx {

namespace {

bool apostropheOrHyphen(char32_t cp) {
    return cp == U'\'' || cp == U'-' || cp == 0x2019 /* ’ */ || cp == 0x2010 /* ‐ */ ||
           cp == 0x2011 /* non-breaking hyphen */;
}

bool allowed(char32_t cp) {
    if (cp < 0x80)
        return (cp >= U'A' && cp <= U'Z') || (cp >= U'a' && cp <= U'z') || (cp >= U'0' && cp <= U'9') ||
               cp == U' ' || apostropheOrHyphen(cp);
    return apostropheOrHyphen(cp) || isNonAsciiLetter(cp);
}

// Characters that draw nothing, or nothing a reader could tell: named by their code alone.
bool invisible(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0xA0) || cp == 0xAD || (cp >= 0x2000 && cp <= 0x200F) ||
           (cp >= 0x2028 && cp <= 0x202F) || (cp >= 0x205F && cp <= 0x206F) || cp == 0x3000 || cp == 0xFEFF ||
           (cp >= 0xFFF0 && cp <= 0xFFFF);
}

std::string codeOf(char32_t cp) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(cp));
    return text;
}

} // namespace

std::optional<NameCharacter> firstRefusedNameCharacter(std::string_view name) {
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = utf8CharLength(name, at);
        if (length == 0) return NameCharacter{at, 1};
        if (!allowed(utf8CodePoint(name, at, length))) return NameCharacter{at, length};
        at += length;
    }
    return std::nullopt;
}

std::string describeNameCharacter(std::string_view name, NameCharacter c) {
    if (c.at >= name.size()) return "";
    const std::size_t length = utf8CharLength(name, c.at);
    if (length == 0) {
        char text[16];
        std::snprintf(text, sizeof text, "byte 0x%02X",
                      static_cast<unsigned>(static_cast<unsigned char>(name[c.at])));
        return text;
    }
    const char32_t cp = utf8CodePoint(name, c.at, length);
    if (invisible(cp)) return codeOf(cp);
    const std::string shown = "\"" + std::string(name.substr(c.at, length)) + "\"";
    return cp < 0x80 ? shown : shown + " (" + codeOf(cp) + ")";
}

} // namespace vx
