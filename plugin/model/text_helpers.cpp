#include "plugin/model/text_helpers.h"

#include "common/fixed_text.h"
#include "common/name_key.h"

#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t kNameCapacity = 256;

// Keeps the bytes for which keep() is true, then cuts to 255 characters.
template <typename Keep> void eraseExcept(char* text, Keep keep) {
    std::size_t out = 0;
    for (std::size_t in = 0; text[in]; ++in) {
        unsigned char c = static_cast<unsigned char>(text[in]);
        if (keep(c)) text[out++] = static_cast<char>(c);
    }
    text[out] = '\0';
    if (out > kNameCapacity - 1) text[kNameCapacity - 1] = '\0';
}

bool isDigitOrLower(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

} // namespace

void substringReplace(char* text, const char* pattern, const char* replacement) {
    if (!text || !pattern || !*pattern || !replacement) return;
    std::string work(text);
    const std::size_t plen = std::strlen(pattern);
    std::size_t pos = 0;
    // The search resumes at the start of the replacement, so "x and and y" collapses fully.
    while ((pos = work.find(pattern, pos)) != std::string::npos)
        work.replace(pos, plen, replacement);
    vx::copyText(text, kNameCapacity, work.c_str());
}

void substringInitialErase(char* text) {
    if (!text) return;
    eraseExcept(text, [](unsigned char c) {
        return isDigitOrLower(c) || c == '&' || c == '#' || c == ';' || c == ' ';
    });
}

void substringErase(char* text) {
    if (!text) return;
    eraseExcept(text, isDigitOrLower);
}

void cleanArtist(char* text) {
    if (!text) return;
    char form[kNameCapacity];
    // The buffer holds 256 bytes and the form is read up to its NUL, so no length is counted.
    const std::size_t length = cleanArtistInto({text, kNameCapacity - 1}, form);
    std::memcpy(text, form, length + 1);
}

std::size_t cleanArtistInto(std::string_view text, char (&form)[256]) {
    return vx::writeNameKey(text, kNameCapacity - 1, form, sizeof form);
}

int strFind(const char* text, const char* pattern, int start) {
    if (!text || !pattern) return -1;
    if (start < 0) start = 0;
    const std::size_t len = std::strlen(text);
    if (static_cast<std::size_t>(start) > len) return -1;
    const char* hit = std::strstr(text + start, pattern);
    return hit ? static_cast<int>(hit - text) : -1;
}

int strFindBetween(const char* text, const char* pattern, int start, int end) {
    if (end <= start) return -1;
    int at = strFind(text, pattern, start);
    if (at < 0) return -1;
    if (static_cast<long>(at) + static_cast<long>(std::strlen(pattern)) > end) return -1;
    return at;
}

char* strRemoveTrailingSpaces(char* text) {
    if (!text) return text;
    std::size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        --n;
    text[n] = '\0';
    return text + n;
}

void strRemoveLeadingSpaces(char* text) {
    if (!text) return;
    std::size_t skip = 0;
    while (text[skip] == ' ')
        ++skip;
    if (skip) std::memmove(text, text + skip, std::strlen(text + skip) + 1);
}

void replaceSpacesWithPluses(char* text) {
    if (!text) return;
    for (char* p = text; *p; ++p)
        if (*p == ' ') *p = '+';
}

std::optional<int> vx::leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t firstDigit = i;
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 99999) return std::nullopt;
    }
    if (i == firstDigit) return std::nullopt;
    return static_cast<int>(negative ? -value : value);
}
