#include "plugin/export/calendar_store_export.h"

#include "platform/calstore_exports.h"
#include "plugin/export/cf_owned.h"
#include "plugin/export/export_stamp.h"
#include "plugin/export/exported_shows.h"
#include "plugin/net/query_escape.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

template <typename Fn> Fn lookUp(CFBundleRef bundle, const char* name) {
    CFOwned<CFStringRef> text(CFStringCreateWithCString(kCFAllocatorDefault, name, kCFStringEncodingUTF8));
    return reinterpret_cast<Fn>(CFBundleGetFunctionPointerForName(bundle, text.get()));
}

} // namespace

void LoadPrivateFrameworkBundle(CFStringRef name, CFBundleRef* out) {
    if (!out) return;
    *out = nullptr;
    CFOwned<CFStringRef> identifier(
        CFStringCreateWithCString(kCFAllocatorDefault, kPluginBundleIdentifier, kCFStringEncodingUTF8));
    CFBundleRef own = CFBundleGetBundleWithIdentifier(identifier.get());
    if (!own) return;
    CFOwned<CFURLRef> resources(CFBundleCopyResourcesDirectoryURL(own));
    if (!resources.get()) return;
    CFOwned<CFURLRef> url(
        CFURLCreateCopyAppendingPathComponent(kCFAllocatorDefault, resources.get(), name, false));
    *out = CFBundleCreate(kCFAllocatorDefault, url.get());
    if (*out && !CFBundleLoadExecutable(*out)) {
        CFRelease(*out);
        *out = nullptr;
    }
}

int performExportTo_iCalCalendarStore(PluginData* root, const char* webServiceHost, bool wholeListOnly) {
    if (!root) return 0;
    // One export at a time: each has its own calendar handle, and two never fill one calendar.
    std::lock_guard<std::mutex> exporting(calendarExportLock());

    CFBundleRef loaded = nullptr;
    {
        CFOwned<CFStringRef> name(
            CFStringCreateWithCString(kCFAllocatorDefault, kExportBundleName, kCFStringEncodingUTF8));
        LoadPrivateFrameworkBundle(name.get(), &loaded);
    }
    if (!loaded) {
        reportExportProblem(root, std::string(kExportBundleName) + " could not be loaded from the plug-in.");
        return 0;
    }
    // The bundle itself stays loaded; this only drops the reference the look-up gave.
    CFOwned<CFBundleRef> bundle(loaded);

    auto initialize = lookUp<InitializeCocoaFn>(bundle.get(), "InitializeCocoa");
    auto createCalendar = lookUp<Vxt_CreateNewCalendarFn>(bundle.get(), "Vxt_CreateNewCalendar");
    auto addEvent = lookUp<Vxt_AddEventFn>(bundle.get(), "Vxt_AddEvent");
    auto saveCalendar = lookUp<Vxt_SaveCalendarFn>(bundle.get(), "Vxt_SaveCalendar");
    // Later additions: a bundle without them gives each event a new UID and cannot say it failed.
    auto addEventWithUid = lookUp<Vxt_AddEventWithUIDFn>(bundle.get(), "Vxt_AddEventWithUID");
    auto calendarSaved = lookUp<Vxt_CalendarSavedFn>(bundle.get(), "Vxt_CalendarSaved");
    auto addChangedEvent = lookUp<Vxt_AddChangedEventFn>(bundle.get(), "Vxt_AddChangedEvent");
    auto calendarFailure = lookUp<Vxt_CalendarFailureFn>(bundle.get(), "Vxt_CalendarFailure");
    auto addTimedEvent = lookUp<Vxt_AddTimedEventFn>(bundle.get(), "Vxt_AddTimedEvent");
    if (initialize) initialize();
    if (!createCalendar || !addEvent || !saveCalendar) {
        reportExportProblem(root, std::string(kExportBundleName) + " lacks one of its functions.");
        return 0;
    }

    // An export that gives way to a refresh leaves the calendar as it is: the refresh exports.
    ExportedShows shows;
    if (!shows.copyFrom(root, wholeListOnly)) return 0;
    const std::string stamp =
        vx::exportStamp(shows, vx::storeExportTarget(), webServiceHost ? webServiceHost : "");
    vx::forgetExportStamp(root);
    CFOwned<CFStringRef> title(makeRecordString(kExportCalendarTitle));
    CFOwned<CFTypeRef> currentCal(createCalendar(title.get()));
    if (!currentCal.get()) {
        reportExportProblem(root, "the calendar could not be made.");
        return 0;
    }

    // Each link goes through the service's click-through page, made once the lists are given back.
    const std::string host = std::string("http://") + (webServiceHost ? webServiceHost : "");
    for (const ExportedShow& e : shows) {
        CFOwned<CFStringRef> artist(makeRecordString(e.artist)), others(makeRecordString(e.otherArtists)),
            venue(makeRecordString(e.venue)), url(makeRecordString(host + clickThroughPath(e.url))),
            location(makeRecordString(e.location)), friends(makeRecordString(""));
        if (addTimedEvent && e.hour >= 0) {
            CFOwned<CFStringRef> uid(makeRecordString(e.uid)), zone(makeRecordString(e.zone));
            addTimedEvent(currentCal.get(), uid.get(), artist.get(), others.get(), venue.get(), url.get(),
                          location.get(), friends.get(), e.year, e.month, e.day,
                          static_cast<unsigned char>(e.ticketsAvailable), e.sequence, e.cancelled ? 1 : 0,
                          e.hour, e.minute, zone.get());
        } else if (addChangedEvent) {
            CFOwned<CFStringRef> uid(makeRecordString(e.uid));
            addChangedEvent(currentCal.get(), uid.get(), artist.get(), others.get(), venue.get(), url.get(),
                            location.get(), friends.get(), e.year, e.month, e.day,
                            static_cast<unsigned char>(e.ticketsAvailable), e.sequence, e.cancelled ? 1 : 0);
        } else if (addEventWithUid) {
            CFOwned<CFStringRef> uid(makeRecordString(e.uid));
            addEventWithUid(currentCal.get(), uid.get(), artist.get(), others.get(), venue.get(), url.get(),
                            location.get(), friends.get(), e.year, e.month, e.day,
                            static_cast<unsigned char>(e.ticketsAvailable));
        } else {
            addEvent(currentCal.get(), artist.get(), others.get(), venue.get(), url.get(), location.get(),
                     friends.get(), e.year, e.month, e.day, static_cast<unsigned char>(e.ticketsAvailable));
        }
    }
    saveCalendar(currentCal.get());
    if (calendarSaved && !calendarSaved(currentCal.get())) {
        const int error = calendarFailure ? calendarFailure(currentCal.get()) : 0;
        reportExportProblem(root, std::string("the calendar could not be saved whole") +
                                      (error ? std::string(" (") + std::strerror(error) + ")." : "."));
    } else {
        reportExportProblem(root, "");
        vx::keepExportStamp(root, stamp);
    }
    return 0;
}
