#pragma once
// Texts made from a show entry for the screen.
#include "plugin/model/record_lists.h"
#include "plugin/model/show_list.h"

#include <cstddef>

// "Jan" ... "Dec" and "January" ... "December"; "" for a month outside 1-12.
const char* shortMonthName(int month);
const char* fullMonthName(int month);

// "Mar 5, 2009 - Venue", with "  (Location)" added when the location is known.
void formatDateLine(const SHOWENTRY* e, char* buffer, std::size_t capacity);
// prefix followed by the names joined by ", ", cut to the buffer.
void joinNames(FRIENDLIST* names, const char* prefix, char* buffer, std::size_t capacity);
