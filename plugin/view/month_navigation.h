#pragma once
// Month navigation on explicit data; the CalVis members of the same names call these with the
// root's objects.
#include "plugin/view/calendar_data.h"

void showNextMonth(const CalendarData& d);
void showPreviousMonth(const CalendarData& d);
// Scrolls the show list so that its first row is the first entry of the visible month or later.
void setOffsetToMatchVisibleMonth(const CalendarData& d);
