#pragma once
// What the service accepts as an account's name and password: the name as the plug-in's
// preferences window checks it (blanks trimmed at both ends, 1 to 63 letters, digits and inner
// blanks), so that "alice ", "alice\t" or "alice\0" can never stand beside "alice"; a password
// without NUL or other control bytes, which would cut it short or hide in a log.
#include <optional>
#include <string>
#include <string_view>

namespace vxs {

constexpr std::size_t kMaxAccountName = 63;

// The name as it is kept, or nothing when the plug-in would refuse it.
std::optional<std::string> accountName(std::string_view typed);

// Not empty, and no byte below 32 or 127.
bool acceptablePassword(std::string_view password);

} // namespace vxs
