#include "service/text_keys.h"

#include "common/name_key.h"

namespace vxs {
namespace {

bool isLowerOrDigit(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

void replaceAll(std::string& text, std::string_view pattern, std::string_view replacement) {
    std::size_t pos = 0;
    while ((pos = text.find(pattern, pos)) != std::string::npos)
        text.replace(pos, pattern.size(), replacement);
}

} // namespace

std::string artistKey(std::string_view name) {
    return vx::nameKey(name);
}

std::string asciiArtistKey(std::string_view name) {
    std::string text;
    for (unsigned char c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        if (isLowerOrDigit(c) || c == '&' || c == '#' || c == ';' || c == ' ') text += static_cast<char>(c);
    }
    replaceAll(text, " and ", " ");
    replaceAll(text, " the ", " ");
    replaceAll(text, " a ", " ");
    for (std::string_view lead : {"and ", "the ", "a "})
        if (text.compare(0, lead.size(), lead) == 0) text.replace(0, lead.size(), " ");
    replaceAll(text, "&#38;", " ");
    std::string key;
    for (unsigned char c : text)
        if (isLowerOrDigit(c)) key += static_cast<char>(c);
    return key;
}

std::string placeKey(std::string_view name) {
    std::string key;
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        // The capitals of UTF-8's Latin-1 letters ("Ü" is C3 9C) compare as their small forms.
        if (c == 0xC3 && i + 1 < name.size()) {
            const auto next = static_cast<unsigned char>(name[i + 1]);
            key += static_cast<char>(c);
            key += static_cast<char>(next >= 0x80 && next <= 0x9E && next != 0x97 ? next + 0x20 : next);
            ++i;
            continue;
        }
        if (isLowerOrDigit(c) || c >= 128) key += static_cast<char>(c);
    }
    return key;
}

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

} // namespace vxs
