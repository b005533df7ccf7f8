#pragma once
// The rules the window checks names and passwords against.
#include <string>

namespace vx::prefs {

// At most capacity - 1 bytes of text, with blanks removed at both ends.
std::string trimmedField(const std::string& text, std::size_t capacity);
// At most capacity - 1 bytes of text, as it stands.
std::string cutField(const std::string& text, std::size_t capacity);
// Only A-Z, a-z, 0-9 and blanks.
bool lettersDigitsBlanks(const std::string& text);
// The first character a person's first or last name may not hold, as a message names it; ""
// when every character may stay.
std::string refusedInPersonName(const std::string& name);
// Only A-Z, a-z and 0-9.
bool lettersDigits(const std::string& text);

} // namespace vx::prefs
