#pragma once
// What a frame and the month navigation read: the view, the state store and the root's lists.
// Gathered in one place so the drawing can also be driven by a test's own objects.
#include "plugin/model/artist_plays.h"
#include "plugin/model/protected_data.h"
#include "plugin/model/record_lists.h"
#include "plugin/model/show_list.h"
#include "plugin/model/trips.h"
#include "plugin/view/cal_vis.h"

#include <cstdint>

struct CalendarData {
    CalVis* view = nullptr;
    ProtectedData* state = nullptr;
    SHOWLIST* concerts = nullptr;
    SHOWLIST* friendShows = nullptr;
    SHOWLIST* albumReleases = nullptr;
    FRIENDLIST* friends = nullptr;
    const ArtistPlays* artistPlays = nullptr;
    const TripList* trips = nullptr;
};

CalendarData calendarDataOf(CalVis* vis);

// Tab 1 shows friends' shows, tab 2 album releases; any other stored value shows tab 0.
int normalizedTab(int storedTab);
int currentTab(const CalendarData& data);
SHOWLIST* tabList(const CalendarData& data, int tab);

// Album releases whose format labels are filtered out are not shown (tab 2 only).
bool entryShown(const CalendarData& data, int tab, SHOWENTRY* entry);
uint32_t shownCount(const CalendarData& data, int tab);
SHOWENTRY* firstShown(const CalendarData& data, int tab);
SHOWENTRY* lastShown(const CalendarData& data, int tab);
SHOWENTRY* nextShown(const CalendarData& data, int tab, SHOWENTRY* after);

// (year, month) order of an entry against a visible month: -1 earlier, 0 same, 1 later.
int compareMonth(const SHOWENTRY* entry, int year, int month);
