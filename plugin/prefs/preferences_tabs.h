#pragma once
// The tab control of the preferences window: only the selected tab's pane is shown and enabled.
#include "plugin/prefs/preferences_controls_view.h"

inline constexpr OSStatus eventNotHandledErr = -9874;

// The selected tab, counted from 1.
extern int32_t lastTabIndex;

// Remembers the selected tab and shows its pane; called once as the window opens.
void InstallTabHandler(PreferencesControls& controls);
// A control hit: on the tab control with a new tab, selects that tab's pane (noErr); any other
// hit is not the tab handler's (eventNotHandledErr).
OSStatus TabEventHandler(PreferencesControls& controls, int32_t controlId);
// Hides and disables every pane but the selected tab's, which is enabled and shown.
void SelectItemOfTabControl(PreferencesControls& controls);
