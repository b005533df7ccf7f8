#pragma once
// What the user does on the calendar screen enters the engine here, and here it is decided on
// which thread each action runs: the host thread only asks, and never waits for a file or for a
// lock that a refresh holds.
class CalGetData;
struct SHOWENTRY;

// The door of a secondary click: the show of "My Shows" with that UID is chosen, or no longer
// is. The choice changes at once under the list lock, so the next frame draws it; the save, the
// export and the sharing request follow on the engine's action queue. False when no listed show
// has that UID (a refresh replaced it meanwhile).
bool toggleChoice(CalGetData& engine, const char* showUid);

// At start-up: exports again, on the engine's action queue, when what the exports hold is not
// what the preferences chose (a kill between a choice's save and its export leaves them apart).
void exportAgainIfStale(CalGetData& engine);

// The export of this system, on the caller's thread: none while an older system's iCal folder
// cannot be prepared, and with wholeListOnly none while a refresh rebuilds the list.
void exportChosenShows(CalGetData& engine, bool wholeListOnly = false);

// Saves the preferences on the engine's action queue, with the settings and lists as they are
// when the save runs. A refresh being stopped meanwhile delays the save until the stop has ended.
void savePreferencesSoon(CalGetData& engine);

// The door of the preferences window's OK, which has stored the settings: they are composed at
// once, before the refresh OK asks for can change the lists, and written on the action queue.
void savePreferencesAsStored(CalGetData& engine);

// The preferences window's friend list, changed under its lock: false when the list already
// holds the name in any letter case. OK saves the list and asks for the friends' shows.
bool addFriend(CalGetData& engine, const char* name);
void removeFriend(CalGetData& engine, const char* name);

// The place typed in the pane (city, state, radius as shown) is searched, unless a refresh
// already works on it; the refresh saves the preferences as it ends.
void searchTypedPlace(CalGetData& engine);

// Opens a page of the web service in the user's browser; the address goes to the host's opener
// as one argument, and an alert says when no browser could be started.
void openWebServicePage(CalGetData& engine, const char* pathAndQuery);
// Opens a show's link through the service's click-through page, the link escaped as one value.
void openShowClickThrough(CalGetData& engine, const char* showURL);

// Opens the preferences window (host thread); false when none could be opened.
bool openPreferences(CalGetData& engine);
