#pragma once
// Texts from outside sources made fit for one field of one line: valid UTF-8, no control
// characters, runs of blanks made one, trimmed, at most a bounded length.
#include <string>
#include <string_view>

namespace vxs {

std::string cleanField(std::string_view text, std::size_t maxBytes = 512);

// Whether text is valid UTF-8 (no overlong forms, no surrogates).
bool validUtf8(std::string_view text);

// Decodes the few HTML entities sites leave in JSON-LD text (&amp; &quot; &#39; &#NNN; ...).
std::string decodeEntities(std::string_view text);

} // namespace vxs
