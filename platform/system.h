#pragma once
// System stand-ins: the user's folders, the system version and identifiers.
#include "platform/visual_plugin_api.h"

#include <string>

namespace vx {

// The current user's home folder ($HOME, else the password database); "" when unknown.
std::string homeFolder();

// A fresh identifier as 36 upper-case characters (8-4-4-4-12).
std::string newUuidString();

} // namespace vx

enum { gestaltSystemVersion = VX_FOURCC('s', 'y', 's', 'v'), gestaltUndefSelectorErr = -5551 };

// The system's answer for a selector. Only the system version is known: a BCD value such as
// 0x1066 for 10.6.6, taken from the host player; without a host it fails.
OSStatus Gestalt(OSType selector, int32_t* response);
