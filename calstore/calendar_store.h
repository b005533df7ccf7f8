#pragma once
// The calendar store as a vdir: a folder per calendar under "~/Library/Calendars/Voxtrail Store/",
// holding a "displayname" file with its title and one iCalendar file per event, so that khal
// and vdirsyncer read it as it is.
#include "common/durable_files.h"
#include "platform/core_foundation.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace vx::calstore {

// One calendar being written. Its events go to a staging folder beside the live ones until it
// is saved; saving swaps the staging folder in whole for the calendar of the same title, and only
// when every event reached it.
struct Calendar : VxCFObject {
    std::string title;
    std::filesystem::path target;  // the calendar's folder once saved
    std::filesystem::path staging; // empty once saved, or when it could not be made
    bool saved = false;
    bool complete = true;                  // no file of this export failed to be written
    int failure = 0;                       // errno of the first thing that failed; 0 when none
    std::set<std::string> written;         // the names this export wrote, for the calendar's list of them
    std::unique_ptr<FolderLock> storeLock; // held while staging; absent when another export holds it
};

struct Event {
    std::string title, otherActs, venue, url, location, friends;
    int32_t year = 0, month = 0, day = 0;
    bool tickets = false;
    int32_t sequence = 0;
    bool cancelled = false;
    int hour = -1, minute = 0; // the start on the venue's clock; hour -1: an all-day event
    std::string zone = {};     // the venue's zone name; a zone libical does not know: all day
};

std::filesystem::path storeFolder();

// Never null. Prints the store's failure lines on standard output and goes on.
Calendar* createCalendar(const std::string& title);
// The event's UID is uid, or a new one when uid is empty.
void addEvent(Calendar& cal, const Event& event, const std::string& uid = "");
void saveCalendar(Calendar& cal);

// The complete iCalendar object of one event with the given UID; "" for a date that does not exist.
std::string eventObject(const Event& event, const std::string& uid);

} // namespace vx::calstore
