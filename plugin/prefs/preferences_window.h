#pragma once
class CalGetData;

// Opens the tabbed preferences window (host thread); the engine reaches the shared state, the
// lists and the web service, and asks for the refresh the changes need. False when no window
// could be opened.
bool OpenPreferencesGUI(CalGetData* engine);
