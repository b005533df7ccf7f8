#include "plugin/library/xml_entities.h"

#include "common/utf8_append.h"

#include <cstdint>

namespace vx {
namespace {

// "#38" or "#x26" (the text between '&' and ';'); false when it names no character.
bool characterReference(std::string_view ref, std::uint32_t& cp) {
    if (ref.size() < 2 || ref[0] != '#') return false;
    const bool hex = ref[1] == 'x' || ref[1] == 'X';
    const std::string_view digits = ref.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) return false;
    std::uint32_t value = 0;
    for (char c : digits) {
        std::uint32_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<std::uint32_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            d = static_cast<std::uint32_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            d = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return false;
        value = value * (hex ? 16 : 10) + d;
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    cp = value;
    return true;
}

char namedEntity(std::string_view name) {
    if (name == "amp") return '&';
    if (name == "quot") return '"';
    if (name == "lt") return '<';
    if (name == "gt") return '>';
    if (name == "apos") return '\'';
    return '\0';
}

} // namespace

std::string decodeXmlEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t amp = text.find('&', i);
        out.append(text.substr(i, amp - i));
        if (amp == std::string_view::npos) break;
        // The longest reference is "&#x0010FFFF;".
        const std::size_t semi = text.substr(amp, 12).find(';');
        if (semi != std::string_view::npos) {
            const std::string_view ref = text.substr(amp + 1, semi - 1);
            std::uint32_t cp = 0;
            if (const char c = namedEntity(ref)) {
                out += c;
                i = amp + semi + 1;
                continue;
            }
            if (characterReference(ref, cp)) {
                appendUtf8(out, cp);
                i = amp + semi + 1;
                continue;
            }
        }
        out += '&';
        i = amp + 1;
    }
    return out;
}

} // namespace vx
