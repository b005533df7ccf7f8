#include "service/text_keys.h"

#include "common/name_key.h"

namespace vxs {
namespace {

bool isLowerOrDigit(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

std::string artistKey(std::string_view name) {
    return vx::nameKey(name);
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
