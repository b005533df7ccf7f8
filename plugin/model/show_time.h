#pragma once
// A show's start on the venue's clock and the venue's zone, as texts of the show record. Whatever
// a page or a file holds, a show keeps a time only in the one form "HH:MM" and a zone only as a
// plain zone name; anything else leaves the show without a time.
#include "plugin/model/show_list.h"

#include <string_view>

namespace vx {

// "19:30" or "9:05" (hours 0-23, minutes 0-59, nothing else): the hour and minute.
bool readStartTime(std::string_view text, int& hour, int& minute);
// A zone name as the zone tables spell it ("America/Argentina/Buenos_Aires", "UTC"): letters,
// digits, '_', '-', '+' and '/' between parts, no empty part, shorter than the record's room.
bool isZoneName(std::string_view text);

// Sets the show's time ("HH:MM") and zone from the texts; a time that does not read clears both,
// and a zone that does not read is left empty (a time with no zone is still the venue's time).
void setShowTime(SHOWENTRY& show, std::string_view time, std::string_view zone);
// The show's time, when it has one.
bool showStartTime(const SHOWENTRY& show, int& hour, int& minute);

} // namespace vx
