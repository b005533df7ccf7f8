#pragma once
// One frame: the calendar drawn into the pane's off-screen world and copied to the host port.
#include "plugin/view/calendar_data.h"

// Does nothing while CalVis::visualPluginData has no port or off-screen world. Holds
// CalVis::renderLock for the whole frame, and the list locks (concerts, friendShows,
// albumReleases, friends) while drawing.
void renderCalendarFrame(const CalendarData& data);
