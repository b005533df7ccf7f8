#include "service/gather/clean_text.h"

#include "common/utf8_append.h"

#include <cstdint>
#include <cstdlib>

namespace vxs {
namespace {

// The length of the valid UTF-8 sequence at text[at], or 0.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char c = b(0);
    if (c < 0x80) return 1;
    std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (n == 0 || at + n > text.size()) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((b(i) & 0xC0) != 0x80) return 0;
    if (n == 3 && c == 0xE0 && b(1) < 0xA0) return 0;  // overlong
    if (n == 3 && c == 0xED && b(1) >= 0xA0) return 0; // surrogate
    if (n == 4 && c == 0xF0 && b(1) < 0x90) return 0;  // overlong
    if (n == 4 && c == 0xF4 && b(1) >= 0x90) return 0; // past U+10FFFF
    return n;
}

using vx::appendUtf8;

} // namespace

bool validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = sequenceLength(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string cleanField(std::string_view text, std::size_t maxBytes) {
    std::string out;
    bool blank = false;
    for (std::size_t i = 0; i < text.size() && out.size() < maxBytes;) {
        const std::size_t n = sequenceLength(text, i);
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (n == 0) {
            if (!out.empty() && blank) out += ' ';
            blank = false;
            out += "\xEF\xBF\xBD"; // a byte that is no character stands as U+FFFD
            ++i;
            continue;
        }
        if (n == 1 && (c < 0x20 || c == 0x7F || c == ' ')) {
            blank = true;
            ++i;
            continue;
        }
        if (blank && !out.empty()) out += ' ';
        blank = false;
        if (out.size() + n > maxBytes) break;
        out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

std::string decodeEntities(std::string_view text) {
    static constexpr struct {
        std::string_view name;
        char value;
    } kNamed[] = {{"amp;", '&'}, {"quot;", '"'}, {"apos;", '\''}, {"lt;", '<'}, {"gt;", '>'}, {"nbsp;", ' '}};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        std::string_view rest = text.substr(i + 1);
        bool done = false;
        for (const auto& e : kNamed)
            if (rest.starts_with(e.name)) {
                out += e.value;
                i += e.name.size();
                done = true;
                break;
            }
        if (!done && rest.starts_with('#')) {
            const bool hex = rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X');
            const std::size_t digits = hex ? 2 : 1;
            const std::size_t semi = rest.find(';');
            if (semi != std::string_view::npos && semi > digits && semi <= digits + 7) {
                const std::string number(rest.substr(digits, semi - digits));
                char* end = nullptr;
                const unsigned long cp = std::strtoul(number.c_str(), &end, hex ? 16 : 10);
                if (*end == '\0' && cp > 0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF)) {
                    appendUtf8(out, static_cast<std::uint32_t>(cp));
                    i += semi + 1;
                    done = true;
                }
            }
        }
        if (!done) out += '&';
    }
    return out;
}

} // namespace vxs
