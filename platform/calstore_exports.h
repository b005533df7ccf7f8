#pragma once
// The functions the calendar-store bundle exports, as the plug-in looks them up by name: the
// four every bundle has, and two later ones that a caller uses only when it finds them.
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
// As Vxt_AddEvent, with the event's UID: a show keeps one UID across exports, so calendar
// programs see it changed rather than removed and added. An empty UID gets a new one.
using Vxt_AddEventWithUIDFn = void (*)(CFTypeRef calendar, CFStringRef uid, CFStringRef title,
                                       CFStringRef otherActs, CFStringRef venue, CFStringRef url,
                                       CFStringRef location, CFStringRef friends, int32_t year, int32_t month,
                                       int32_t day, unsigned char tickets);
// As Vxt_AddEventWithUID, with the event's SEQUENCE and whether it is cancelled (STATUS:CANCELLED).
using Vxt_AddChangedEventFn = void (*)(CFTypeRef calendar, CFStringRef uid, CFStringRef title,
                                       CFStringRef otherActs, CFStringRef venue, CFStringRef url,
                                       CFStringRef location, CFStringRef friends, int32_t year, int32_t month,
                                       int32_t day, unsigned char tickets, int32_t sequence,
                                       unsigned char cancelled);
// As Vxt_AddChangedEvent, with the start on the venue's clock and the venue's zone name
// ("America/Chicago"): a zone the bundle knows makes a timed event three hours long.
using Vxt_AddTimedEventFn = void (*)(CFTypeRef calendar, CFStringRef uid, CFStringRef title,
                                     CFStringRef otherActs, CFStringRef venue, CFStringRef url,
                                     CFStringRef location, CFStringRef friends, int32_t year, int32_t month,
                                     int32_t day, unsigned char tickets, int32_t sequence,
                                     unsigned char cancelled, int32_t hour, int32_t minute, CFStringRef zone);
// 1 when the calendar was saved with every event added to it, else 0.
using Vxt_CalendarSavedFn = int (*)(CFTypeRef calendar);
// The system's error number (errno) of the first step of the export that failed; 0 when none did
// or the reason is not known.
using Vxt_CalendarFailureFn = int (*)(CFTypeRef calendar);
}
