#pragma once
// Which characters of a UTF-8 name are letters, for the names the phone shows: the scripts of
// the world's band names count, punctuation, symbols and emoji do not.
#include <cstddef>
#include <string_view>

namespace vx {

// The length in bytes of the well-formed UTF-8 character at text[at] (1 to 4), or 0 when the
// bytes there are no character.
std::size_t utf8CharLength(std::string_view text, std::size_t at);

// True for a character beyond ASCII that is a letter, a combining mark or a digit of some
// script; false for punctuation, symbols, emoji, spaces and private or unassigned ranges.
bool isNonAsciiLetter(char32_t cp);

// The character at text[at] of the given length (from utf8CharLength).
char32_t utf8CodePoint(std::string_view text, std::size_t at, std::size_t length);

} // namespace vx
