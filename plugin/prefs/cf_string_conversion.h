#pragma once
#include "platform/core_foundation.h"

#include <string>

// The text of a string in UTF-8; "" for a null string.
std::string CFStringToSTLString(CFStringRef string);
