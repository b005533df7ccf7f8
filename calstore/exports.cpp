// The bundle's four entries. Plain C names, as the plug-in looks them up; no exception leaves
// them, since the caller's frames know nothing of C++.
#include "calstore/calendar_store.h"
#include "platform/boundary_guard.h"
#include "platform/calstore_exports.h"

#include <libical/ical.h>
#include <mutex>

namespace {

std::string text(CFStringRef s) {
    const char* p = CFStringGetCStringPtr(s, kCFStringEncodingUTF8);
    return p ? p : "";
}

vx::calstore::Calendar* calendarOf(CFTypeRef handle) {
    return static_cast<vx::calstore::Calendar*>(static_cast<VxCFObject*>(const_cast<void*>(handle)));
}

} // namespace

extern "C" {

// Nothing of a window system is needed to write the store; what must be ready before the first
// calendar is libical, which must report bad input as an error rather than abort the host.
__attribute__((visibility("default"))) void InitializeCocoa() {
    vx::guardBoundary("InitializeCocoa", [] {
        static std::once_flag once;
        std::call_once(once, [] { icalerror_set_errors_are_fatal(0); });
    });
}

__attribute__((visibility("default"))) CFTypeRef Vxt_CreateNewCalendar(CFStringRef title) {
    CFTypeRef cal = nullptr;
    vx::guardBoundary("Vxt_CreateNewCalendar", [&] { cal = vx::calstore::createCalendar(text(title)); });
    return cal;
}

__attribute__((visibility("default"))) void Vxt_AddEvent(CFTypeRef calendar, CFStringRef title,
                                                         CFStringRef otherActs, CFStringRef venue,
                                                         CFStringRef url, CFStringRef location,
                                                         CFStringRef friends, int32_t year, int32_t month,
                                                         int32_t day, unsigned char tickets) {
    if (!calendar) return;
    vx::guardBoundary("Vxt_AddEvent", [&] {
        vx::calstore::Event e{
            text(title), text(otherActs), text(venue), text(url),   text(location), text(friends),
            year,        month,           day,         tickets == 1};
        vx::calstore::addEvent(*calendarOf(calendar), e);
    });
}

__attribute__((visibility("default"))) void
Vxt_AddEventWithUID(CFTypeRef calendar, CFStringRef uid, CFStringRef title, CFStringRef otherActs,
                    CFStringRef venue, CFStringRef url, CFStringRef location, CFStringRef friends,
                    int32_t year, int32_t month, int32_t day, unsigned char tickets) {
    if (!calendar) return;
    vx::guardBoundary("Vxt_AddEventWithUID", [&] {
        vx::calstore::Event e{
            text(title), text(otherActs), text(venue), text(url),   text(location), text(friends),
            year,        month,           day,         tickets == 1};
        vx::calstore::addEvent(*calendarOf(calendar), e, text(uid));
    });
}

__attribute__((visibility("default"))) void
Vxt_AddChangedEvent(CFTypeRef calendar, CFStringRef uid, CFStringRef title, CFStringRef otherActs,
                    CFStringRef venue, CFStringRef url, CFStringRef location, CFStringRef friends,
                    int32_t year, int32_t month, int32_t day, unsigned char tickets, int32_t sequence,
                    unsigned char cancelled) {
    if (!calendar) return;
    vx::guardBoundary("Vxt_AddChangedEvent", [&] {
        vx::calstore::Event e{
            text(title), text(otherActs), text(venue), text(url),    text(location), text(friends),
            year,        month,           day,         tickets == 1, sequence,       cancelled == 1};
        vx::calstore::addEvent(*calendarOf(calendar), e, text(uid));
    });
}

__attribute__((visibility("default"))) void
Vxt_AddTimedEvent(CFTypeRef calendar, CFStringRef uid, CFStringRef title, CFStringRef otherActs,
                  CFStringRef venue, CFStringRef url, CFStringRef location, CFStringRef friends, int32_t year,
                  int32_t month, int32_t day, unsigned char tickets, int32_t sequence,
                  unsigned char cancelled, int32_t hour, int32_t minute, CFStringRef zone) {
    if (!calendar) return;
    vx::guardBoundary("Vxt_AddTimedEvent", [&] {
        vx::calstore::Event e{
            text(title), text(otherActs), text(venue), text(url),    text(location), text(friends),
            year,        month,           day,         tickets == 1, sequence,       cancelled == 1,
            hour,        minute,          text(zone)};
        vx::calstore::addEvent(*calendarOf(calendar), e, text(uid));
    });
}

__attribute__((visibility("default"))) int Vxt_CalendarSaved(CFTypeRef calendar) {
    if (!calendar) return 0;
    const vx::calstore::Calendar& cal = *calendarOf(calendar);
    return cal.saved && cal.complete ? 1 : 0;
}

__attribute__((visibility("default"))) int Vxt_CalendarFailure(CFTypeRef calendar) {
    return calendar ? calendarOf(calendar)->failure : 0;
}

__attribute__((visibility("default"))) void Vxt_SaveCalendar(CFTypeRef calendar) {
    if (!calendar) return;
    vx::guardBoundary("Vxt_SaveCalendar", [&] { vx::calstore::saveCalendar(*calendarOf(calendar)); });
}

} // extern "C"

// The signatures the plug-in casts to are the ones defined here.
static_assert(std::is_same_v<decltype(&InitializeCocoa), InitializeCocoaFn>);
static_assert(std::is_same_v<decltype(&Vxt_CreateNewCalendar), Vxt_CreateNewCalendarFn>);
static_assert(std::is_same_v<decltype(&Vxt_AddEvent), Vxt_AddEventFn>);
static_assert(std::is_same_v<decltype(&Vxt_SaveCalendar), Vxt_SaveCalendarFn>);
static_assert(std::is_same_v<decltype(&Vxt_AddEventWithUID), Vxt_AddEventWithUIDFn>);
static_assert(std::is_same_v<decltype(&Vxt_CalendarSaved), Vxt_CalendarSavedFn>);
static_assert(std::is_same_v<decltype(&Vxt_AddChangedEvent), Vxt_AddChangedEventFn>);
static_assert(std::is_same_v<decltype(&Vxt_CalendarFailure), Vxt_CalendarFailureFn>);
static_assert(std::is_same_v<decltype(&Vxt_AddTimedEvent), Vxt_AddTimedEventFn>);
