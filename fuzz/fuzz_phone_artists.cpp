// Arbitrary bytes as a library text for the phone's artist list: every name kept is a readable
// phone name (letters of any script, digits and inner blanks, at most 255 bytes), no two alike once
// normalised. The same bytes as a query value come back whole from the escaped form.
#include "common/unicode_letters.h"
#include "plugin/net/query_escape.h"
#include "plugin/services/phone_artists.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>

namespace {

bool phoneName(const char* name) {
    const std::size_t n = strnlen(name, 256);
    if (n == 0 || n > 255 || name[0] == ' ' || name[n - 1] == ' ') return false;
    const std::string_view text(name, n);
    for (std::size_t i = 0; i < n;) {
        const char c = name[i];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') {
            ++i;
            continue;
        }
        const std::size_t length = vx::utf8CharLength(text, i);
        if (length < 2 || !vx::isNonAsciiLetter(vx::utf8CodePoint(text, i, length))) return false;
        i += length;
    }
    return true;
}

// A name with no letter or digit goes as written: no control byte, no blank at either end.
bool ownPhoneName(const char* name) {
    const std::size_t n = strnlen(name, 256);
    if (n == 0 || n > 255 || name[0] == ' ' || name[n - 1] == ' ') return false;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < ' ' || c == 0x7F || std::isalnum(c)) return false;
    }
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string decoded(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '+') {
            out += ' ';
        } else if (value[i] == '%') {
            if (i + 2 >= value.size()) __builtin_trap();
            const int hi = hexValue(value[i + 1]), lo = hexValue(value[i + 2]);
            if (hi < 0 || lo < 0) __builtin_trap();
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    XML_Artist_List list;
    readPhoneArtists(bytes, list);
    std::set<std::string> forms;
    for (XMLARTIST* a = list.head; a; a = a->next) {
        if (!phoneName(a->name) && !ownPhoneName(a->name)) __builtin_trap();
        if (!forms.insert(uncleanedListKey(a->name)).second) __builtin_trap();
    }

    char name[512];
    std::memcpy(name, bytes.c_str(), std::min(bytes.size(), sizeof name - 1));
    name[std::min(bytes.size(), sizeof name - 1)] = '\0';
    iPhoneArtistClean(name);
    if (name[0] && !phoneName(name) && !ownPhoneName(name)) __builtin_trap();

    const std::string value = queryValue(bytes);
    for (const char c : value)
        if (c < 0x21 || c > 0x7E || c == '&' || c == '#') __builtin_trap();
    if (decoded(value) != bytes) __builtin_trap();
    return 0;
}
