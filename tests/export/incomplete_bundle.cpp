// A calendar-store bundle that lacks Vxt_SaveCalendar: the plug-in must export nothing with it.
// Creating a calendar leaves a mark in the home folder, so a test sees whether it was called.
#include "platform/calstore_exports.h"

#include <cstdlib>
#include <fstream>
#include <string>

extern "C" {
__attribute__((visibility("default"))) void InitializeCocoa() {}

__attribute__((visibility("default"))) CFTypeRef Vxt_CreateNewCalendar(CFStringRef) {
    std::ofstream(std::string(std::getenv("HOME")) + "/created-by-incomplete-bundle") << "called";
    return nullptr;
}

__attribute__((visibility("default"))) void Vxt_AddEvent(CFTypeRef, CFStringRef, CFStringRef, CFStringRef,
                                                         CFStringRef, CFStringRef, CFStringRef, int32_t,
                                                         int32_t, int32_t, unsigned char) {}
}
