#pragma once
class CalGetData;

// Opens the tabbed preferences window (host thread); the engine reaches the shared state, the
// lists and the web service, and asks for the refresh the changes need. False when no window
// could be opened (no bundle, no interface file, or a host without windows).
bool OpenPreferencesGUI(CalGetData* engine);
// Closes the window for good, before the host's services go away at shutdown.
void ClosePreferencesGUI();
