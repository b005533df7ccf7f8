#include "service/json_text.h"

#include "common/unicode_letters.h"

#include <cstdio>

namespace vxs {

std::string jsonQuoted(std::string_view text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = vx::utf8CharLength(text, i);
            if (length == 0) {
                out += "\\ufffd";
                ++i;
                continue;
            }
            const char32_t cp = vx::utf8CodePoint(text, i, length);
            // Line and paragraph separators end a line of script in older engines.
            if (cp == 0x2028 || cp == 0x2029)
                out += cp == 0x2028 ? "\\u2028" : "\\u2029";
            else
                out.append(text, i, length);
            i += length;
            continue;
        }
        if (c < 0x20 || c == '"' || c == '\\' || c == '<' || c == '>' || c == '&' || c == '\'' || c == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out += '"';
}

} // namespace vxs
