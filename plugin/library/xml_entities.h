#pragma once
// Names in the library file are XML text: "&amp;", "&quot;", "&#246;" and the like stand for one
// character each. Only the names a reader keeps are decoded, never the lines it walks.
#include <string>
#include <string_view>

namespace vx {

// The text with the five named entities and decimal or hexadecimal character references
// replaced by what they stand for (UTF-8). A reference that names no character (NUL, a
// surrogate, beyond U+10FFFF) or that is not closed by ';' stays as written. Never longer
// than the input.
std::string decodeXmlEntities(std::string_view text);

} // namespace vx
