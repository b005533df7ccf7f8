#pragma once
// What a person's first or last name may hold: letters and marks of every script, digits,
// blanks, and the apostrophes and hyphens names are written with ("Zoë", "O'Brien",
// "Jean-Luc", "李小龍"). The plug-in checks a name with this before it sends it and the service
// again before it stores it, so the two never disagree.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vx {

// The first character of name that a name may not hold: its byte offset and length (a byte
// that starts no UTF-8 character counts as a character of length 1). Nothing when all may stay.
struct NameCharacter {
    std::size_t at = 0, length = 0;
};
std::optional<NameCharacter> firstRefusedNameCharacter(std::string_view name);

// How a message names that character: "@" as it is, and a character that does not show or is
// not text by its code (U+0009, byte 0xFF); a letter-like one beyond ASCII with its code too.
std::string describeNameCharacter(std::string_view name, NameCharacter c);

} // namespace vx
