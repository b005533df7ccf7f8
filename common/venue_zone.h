#pragma once
// A venue's zone as libical's zone tables know it: the short name and offset in effect at a show's
// start, and the zone's VTIMEZONE for calendars that write the start with its TZID.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vx::ical {

struct ZoneMoment {
    int utcOffset = 0;      // seconds east of UTC in effect at that local time
    std::string shortName;  // "CST", "CEST"; the zone's offset ("-03") where it has no name
    int64_t utcSeconds = 0; // the moment, in seconds since 1970
};

// The local time in the named zone; nullopt when the zone is not one libical knows or the date
// is none of the calendar's.
std::optional<ZoneMoment> zoneMoment(std::string_view zone, int32_t year, int32_t month, int32_t day,
                                     int hour, int minute);

// Whether libical knows the zone by this plain name.
bool knownZone(std::string_view zone);

// The zone's VTIMEZONE, each line ended by CRLF, whose TZID is the plain name ("America/Chicago")
// that events name it by, not libical's own prefixed one; "" for a zone libical does not know.
std::string zoneComponentText(std::string_view zone);
// Whether zoneComponentText gives a VTIMEZONE: only then is a start written with the zone's TZID.
bool writableZone(std::string_view zone);

} // namespace vx::ical
