#pragma once
// System stand-ins: the user's folders and small file operations the plug-in needs.
#include <string>

namespace vx {

// The current user's home folder ($HOME, else the password database); "" when unknown.
std::string homeFolder();

} // namespace vx
