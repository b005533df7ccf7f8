#pragma once
// Text helpers used to search web replies and to normalise names. All work on caller-owned,
// terminated byte texts; the substitution helpers and cleanArtist need a buffer of at least
// 256 bytes and cut their result to 255 characters.
#include <cstddef>
#include <optional>
#include <string_view>

// Replaces every occurrence of pattern by replacement (the replacement must not contain it).
void substringReplace(char* text, const char* pattern, const char* replacement);
// Keeps digits, 'a'-'z', '&', '#', ';' and blanks.
void substringInitialErase(char* text);
// Keeps digits and 'a'-'z'.
void substringErase(char* text);
// The one name normaliser (vx::writeNameKey over the first 255 bytes): letters and digits of
// every script, case folded, accents, articles and "and" removed; a name of punctuation only is
// its own text. The form is cut to 255 bytes before a whole character.
void cleanArtist(char* text);
// The same form of a name not in a buffer of its own; returns the form's length.
std::size_t cleanArtistInto(std::string_view text, char (&form)[256]);

// Index of the first occurrence of pattern at or after start; -1 when none.
int strFind(const char* text, const char* pattern, int start);
// As strFind, but -1 also when end <= start or the occurrence ends behind end.
int strFindBetween(const char* text, const char* pattern, int start, int end);

// Removes the trailing blanks; returns a pointer to the terminating NUL.
char* strRemoveTrailingSpaces(char* text);
// Removes the leading blanks by moving the rest forward.
void strRemoveLeadingSpaces(char* text);
// Replaces every blank by '+', for query strings.
void replaceSpacesWithPluses(char* text);

namespace vx {
// The leading decimal number of a text as "%d" reads it (blanks, a sign, digits). Values beyond
// any calendar field (over 99,999) count as unreadable, so reading one never overflows.
std::optional<int> leadingNumber(std::string_view text);
} // namespace vx
