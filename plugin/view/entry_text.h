#pragma once
// Texts made from a show entry for the screen.
#include "plugin/model/record_lists.h"
#include "plugin/model/show_list.h"

#include <cstddef>
#include <cstdint>
#include <string>

// "Jan" ... "Dec" and "January" ... "December"; "" for a month outside 1-12.
const char* shortMonthName(int month);
const char* fullMonthName(int month);

// A timed show's start on the venue's clock: "Sat, Mar 7, 8:00 PM", the year added when it is not
// the user's current one (now, seconds since 1970) and the zone's short name ("CST") when the
// user's clock differs from the venue's at that moment; "" for a show without a time.
std::string showStartText(const SHOWENTRY& e, int64_t now);
// "Mar 5, 2009 - Venue", with "  (Location)" added when the location is known; a timed show's
// line starts with its showStartText instead of the date.
void formatDateLine(const SHOWENTRY* e, char* buffer, std::size_t capacity);
// prefix followed by the names joined by ", ", cut to the buffer.
void joinNames(FRIENDLIST* names, const char* prefix, char* buffer, std::size_t capacity);
