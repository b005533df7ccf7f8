#include "plugin/prefs/preferences_tabs.h"

int32_t lastTabIndex = 1;

void InstallTabHandler(PreferencesControls& controls) {
    lastTabIndex = controls.value(CID_MAIN_TABS_tabControl);
    SelectItemOfTabControl(controls);
}

OSStatus TabEventHandler(PreferencesControls& controls, int32_t controlId) {
    if (controlId != CID_MAIN_TABS_tabControl.id) return eventNotHandledErr;
    const int32_t selected = controls.value(CID_MAIN_TABS_tabControl);
    if (selected == lastTabIndex) return eventNotHandledErr;
    lastTabIndex = selected;
    SelectItemOfTabControl(controls);
    return noErr;
}

void SelectItemOfTabControl(PreferencesControls& controls) {
    const int32_t selected = controls.value(CID_MAIN_TABS_tabControl);
    ControlID chosen{0, 0};
    for (int32_t position = 1; position <= tabList[0]; ++position) {
        const ControlID pane{kTabsSignature, tabList[position]};
        if (position == selected) {
            chosen = pane;
            continue;
        }
        controls.setVisible(pane, false);
        controls.setEnabled(pane, false);
    }
    if (chosen.id == 0) return;
    controls.setEnabled(chosen, true);
    controls.setVisible(chosen, true);
}
