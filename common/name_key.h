#pragma once
// The form in which two spellings of an artist's or an album's name count as the same, for the
// plug-in's lists and matching and for the service's catalogue alike.
#include <cstddef>
#include <string>
#include <string_view>

namespace vx {

// Letters and digits of every script, case folded and accents dropped ("Sigur Rós" and
// "SIGUR ROS" give "sigurros"), with "the", "a" and "and" dropped as words and "&#38;" as a
// whole. A name of ASCII only gives the form the lists have always stored. A name with no
// letter or digit at all ("!!!") is its own text, blanks trimmed and ASCII lower-cased, so such
// names do not all become one. The name ends at its first NUL or after `examined` bytes; the
// form is cut to capacity - 1 bytes before a whole character and terminated. out must not
// overlap name. Returns the form's length.
std::size_t writeNameKey(std::string_view name, std::size_t examined, char* out, std::size_t capacity);

// The whole name's form, uncut.
std::string nameKey(std::string_view name);

} // namespace vx
