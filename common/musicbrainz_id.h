#pragma once
// MusicBrainz artist ids: the library and the service both carry them, and where both know a
// performer's id it names the artist better than any spelling does.
#include <cstddef>
#include <string>
#include <string_view>

namespace vx {

// An id's length; a record keeps it in kMusicBrainzIdLength + 1 bytes.
constexpr std::size_t kMusicBrainzIdLength = 36;

// True for an id of MusicBrainz's form: 36 characters, hex digits in groups of 8-4-4-4-12.
inline bool isMusicBrainzId(std::string_view text) {
    if (text.size() != kMusicBrainzIdLength) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (dash ? c != '-' : !hex) return false;
    }
    return true;
}

// The id in the one form ids are compared in (lower case), or "" when text is no id.
inline std::string musicBrainzId(std::string_view text) {
    if (!isMusicBrainzId(text)) return {};
    std::string id(text);
    for (char& c : id)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    return id;
}

// Two ids compared as ids: letter case aside.
inline bool sameMusicBrainzId(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] >= 'A' && a[i] <= 'F' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        const char y = b[i] >= 'A' && b[i] <= 'F' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y) return false;
    }
    return true;
}

} // namespace vx
