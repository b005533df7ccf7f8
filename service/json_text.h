#pragma once
// JSON strings for the phone app's replies. Every text is quoted so that it is inert even where a
// browser mistook the reply for HTML: "<", ">", "&" and quotes go as \u escapes, and bytes that
// are no UTF-8 become U+FFFD, so the reply is always valid JSON.
#include <string>
#include <string_view>

namespace vxs {

// text as a quoted JSON string.
std::string jsonQuoted(std::string_view text);

} // namespace vxs
