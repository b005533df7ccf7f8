#pragma once
// The four functions the calendar-store bundle exports, as the plug-in looks them up by name.
// One declaration here keeps both sides of the dlsym boundary on the same signatures.
#include "platform/core_foundation.h"

#include <cstdint>

extern "C" {
using InitializeCocoaFn = void (*)();
// A retained calendar handle (never null here); the caller releases it with CFRelease.
using Vxt_CreateNewCalendarFn = CFTypeRef (*)(CFStringRef title);
using Vxt_AddEventFn = void (*)(CFTypeRef calendar, CFStringRef title, CFStringRef otherActs,
                                CFStringRef venue, CFStringRef url, CFStringRef location, CFStringRef friends,
                                int32_t year, int32_t month, int32_t day, unsigned char tickets);
using Vxt_SaveCalendarFn = void (*)(CFTypeRef calendar);
}
