#include "plugin/view/calendar_data.h"

#include "plugin/engine/cal_get_data.h"
#include "plugin/view/cal_vis.h"

CalendarData calendarDataOf(CalVis* vis) {
    CalendarData d;
    if (!vis) return d;
    d.view = vis;
    d.state = &vis->root->state;
    d.concerts = vis->root->concerts;
    d.friendShows = vis->root->friendShows;
    d.albumReleases = vis->root->albumReleases;
    d.friends = vis->root->friends;
    d.artistPlays = &vis->root->artistPlays;
    d.trips = &vis->root->trips;
    return d;
}

int normalizedTab(int storedTab) {
    return storedTab == 1 || storedTab == 2 ? storedTab : 0;
}

int currentTab(const CalendarData& data) {
    return data.state ? normalizedTab(data.state->getCurCalTab()) : 0;
}

SHOWLIST* tabList(const CalendarData& data, int tab) {
    switch (normalizedTab(tab)) {
    case 1:
        return data.friendShows;
    case 2:
        return data.albumReleases;
    default:
        return data.concerts;
    }
}

bool entryShown(const CalendarData& data, int tab, SHOWENTRY* entry) {
    if (!entry) return false;
    if (normalizedTab(tab) != 2 || !data.state) return true;
    return !data.state->isFilterOn(entry->nameList);
}

uint32_t shownCount(const CalendarData& data, int tab) {
    SHOWLIST* list = tabList(data, tab);
    if (!list) return 0;
    if (normalizedTab(tab) != 2) return list->size();
    uint32_t n = 0;
    for (SHOWENTRY* e = list->head; e; e = e->next)
        if (entryShown(data, tab, e)) ++n;
    return n;
}

SHOWENTRY* firstShown(const CalendarData& data, int tab) {
    SHOWLIST* list = tabList(data, tab);
    SHOWENTRY* e = list ? list->head : nullptr;
    while (e && !entryShown(data, tab, e))
        e = e->next;
    return e;
}

SHOWENTRY* lastShown(const CalendarData& data, int tab) {
    SHOWLIST* list = tabList(data, tab);
    SHOWENTRY* e = list ? list->tail : nullptr;
    while (e && !entryShown(data, tab, e))
        e = e->prev;
    return e;
}

SHOWENTRY* nextShown(const CalendarData& data, int tab, SHOWENTRY* after) {
    SHOWENTRY* e = after ? after->next : nullptr;
    while (e && !entryShown(data, tab, e))
        e = e->next;
    return e;
}

int compareMonth(const SHOWENTRY* entry, int year, int month) {
    if (entry->year != year) return entry->year < year ? -1 : 1;
    if (entry->month != month) return entry->month < month ? -1 : 1;
    return 0;
}
