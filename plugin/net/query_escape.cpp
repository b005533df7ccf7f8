#include "plugin/net/query_escape.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Bytes that would end the value, change its meaning, or leave plain ASCII. A second "?" in a
// request makes the service refuse it, so a link's own query goes escaped.
constexpr bool escaped(unsigned char c) {
    return c >= 0x80 || c < 0x20 || c == 0x7F || c == '&' || c == '%' || c == '#' || c == '+' || c == '?';
}

// Whether a byte goes into a query as something else, looked up: links are query-encoded by
// the thousand.
constexpr std::array<bool, 256> kChanged = [] {
    std::array<bool, 256> changed{};
    for (std::size_t c = 0; c < 256; ++c)
        changed[c] = c == ' ' || escaped(static_cast<unsigned char>(c));
    return changed;
}();
constexpr auto changed = [](char c) { return kChanged[static_cast<unsigned char>(c)]; };

// The query form of one byte.
void appendQueryByte(std::string& out, unsigned char c) {
    static const char kHex[] = "0123456789ABCDEF";
    if (c == ' ') {
        out += '+';
    } else if (escaped(c)) {
        const char escape[3] = {'%', kHex[c >> 4], kHex[c & 0x0F]};
        out.append(escape, 3);
    } else {
        out += static_cast<char>(c);
    }
}

// The query form of text, cut before the character that would pass limit bytes.
std::string escapeText(std::string_view text, std::size_t limit) {
    // Most texts need no escape at all: taken whole, without the walk by characters.
    if (text.size() <= limit && std::none_of(text.begin(), text.end(), changed)) return std::string(text);
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        // A character: one byte, or a lead byte with the continuation bytes behind it.
        std::string unit;
        do {
            appendQueryByte(unit, static_cast<unsigned char>(text[i++]));
        } while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80);
        if (out.size() + unit.size() > limit) break;
        out += unit;
    }
    return out;
}

} // namespace

void escapeQueryValue(char* text, std::size_t capacity) {
    if (!text || capacity == 0) return;
    const std::string out = escapeText(text, capacity - 1);
    std::memcpy(text, out.c_str(), out.size() + 1);
}

std::string queryValue(std::string_view text) {
    return escapeText(text, std::string::npos);
}

void appendQueryValue(std::string& out, std::string_view text) {
    for (auto at = text.begin(); at != text.end();) {
        const auto plain = std::find_if(at, text.end(), changed);
        out.append(at, plain);
        if ((at = plain) != text.end()) appendQueryByte(out, static_cast<unsigned char>(*at++));
    }
}

std::string clickThroughPath(std::string_view link) {
    return "/clickthrough.php?target=" + queryValue(link);
}

void copyRequest(char* url, std::size_t capacity, std::string_view request) {
    if (!url || capacity == 0) return;
    std::size_t n = std::min(request.size(), capacity - 1);
    if (n < request.size()) {
        // A "%" in the last two places begins an escape the cut broke.
        for (std::size_t back = 1; back <= 2 && back <= n; ++back)
            if (request[n - back] == '%') {
                n -= back;
                break;
            }
    }
    std::memcpy(url, request.data(), n);
    url[n] = '\0';
}
