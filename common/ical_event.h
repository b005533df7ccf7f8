#pragma once
// The one writer of calendar events: the iCal file, the calendar store and the service's feed all
// write a show through it, so each is valid iCalendar (CRLF lines folded at 75 octets, text values
// escaped) and a show has the same UID, SEQUENCE and STATUS in all three. Events are written
// straight into text, line by line as libical writes them: thousands of shows are exported at
// once, and a libical component per event costs more than writing the file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::ical {

struct EventFields {
    std::string uid;
    int sequence = 0;
    std::string status; // "CONFIRMED", "CANCELLED" (SUMMARY then starts "Cancelled: "), or empty
    int32_t year = 0, month = 0, day = 0;            // an all-day event; DTEND is the next day
    int64_t dtstamp = 0;                             // seconds since 1970 (UTC); 0 means now
    std::string summary, location, url, description; // url is left out when empty
    // A start on the venue's clock (hour -1: none) in a zone libical knows makes a timed event
    // (DTSTART and DTEND with the zone's TZID, three hours long); otherwise it is all day.
    int hour = -1, minute = 0;
    std::string zone;
};

struct CalendarFields {
    std::string prodid = "-//Voxtrail//Voxtrail 2.9//EN";
    std::string name;     // NAME and X-WR-CALNAME when not empty
    int refreshHours = 0; // REFRESH-INTERVAL and X-PUBLISHED-TTL when above 0
};

// EventFields with texts the caller holds: what an export of thousands of shows hands the writer,
// with no copy of any text.
struct EventView {
    std::string_view uid;
    int sequence = 0;
    std::string_view status;
    int32_t year = 0, month = 0, day = 0;
    int64_t dtstamp = 0;
    std::string_view summary, location, url, description;
    int hour = -1, minute = 0;
    std::string_view zone;
};

// How long a timed show is taken to last, sources giving no end.
inline constexpr int kShowMinutes = 180;

// Whether the event is written with a start time: then its calendar needs the zone's VTIMEZONE
// (zoneComponentText of venue_zone.h), which calendarHead leaves to the caller.
bool timedEvent(const EventView& event);
bool timedEvent(const EventFields& event);

// Whether the date is one of the calendar's (years 1 to 9999).
bool validDate(int32_t year, int32_t month, int32_t day);

// One VEVENT, each line ended by CRLF; "" when the date does not exist.
std::string eventText(const EventFields& event);
// The same appended to out; false (nothing appended) when the date does not exist.
bool appendEventText(std::string& out, const EventFields& event);
bool appendEventText(std::string& out, const EventView& event);

// A VCALENDAR's lines before its events, and its last line.
std::string calendarHead(const CalendarFields& calendar);
inline constexpr std::string_view kCalendarEnd = "END:VCALENDAR\r\n";

// A whole VCALENDAR holding the given VEVENT texts (as eventText makes them) in order.
std::string calendarText(const CalendarFields& calendar, const std::vector<std::string>& events);

// A whole VCALENDAR with one VEVENT, with its zone's VTIMEZONE when it is timed: what a store
// event file holds.
std::string singleEventCalendar(const CalendarFields& calendar, const EventFields& event);

// Show texts as the calendar store and the feed give them.
std::string showLocation(const std::string& venue, const std::string& location);
std::string showNotes(const std::string& title, const std::string& otherActs, const std::string& friends,
                      bool tickets);

} // namespace vx::ical
