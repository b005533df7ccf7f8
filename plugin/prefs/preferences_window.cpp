// The preferences window as the host shows it: built from the bundle's interface file, its
// events handed to the preferences logic.
#include "plugin/prefs/preferences_window.h"

#include "platform/graphics/bundle_resources.h"
#include "platform/host_windows.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/prefs/engine_outside.h"
#include "plugin/prefs/host_window_controls.h"
#include "plugin/prefs/preferences_logic.h"
#include "plugin/prefs/preferences_tabs.h"

#include <memory>

namespace {

const char* const kBundleIdentifier = "com.Voxtrail.Voxtrail";
const char* const kWindowName = "Voxtrail_Preferences";

struct PreferencesWindow {
    VxWindow* window;
    HostWindowControls controls;
    EngineOutside outside;
    PreferencesWindowLogic logic;
    CalGetData* engine;
    explicit PreferencesWindow(CalGetData* e)
        : window(nullptr), outside(*e), logic(*e->root, controls, outside), engine(e) {}
    ~PreferencesWindow() { vx::hostDisposeWindow(window); }
};

// The one window; a new opening replaces a hidden one.
std::unique_ptr<PreferencesWindow> gPreferences;

OSStatus PreferencesControlHandler(VxWindow*, const VxWindowEvent* event, void* userData) {
    auto* prefs = static_cast<PreferencesWindow*>(userData);
    if (!event || !prefs) return eventNotHandledErr;
    switch (event->kind) {
    case kVxWindowEventClosed:
        prefs->controls.windowClosed();
        return noErr;
    case kVxControlEventKeyReleased:
        prefs->logic.keyReleased();
        return noErr;
    case kVxControlEventClicked:
        return prefs->logic.controlHit(event->id);
    case kVxControlEventValueChanged:
        if (TabEventHandler(prefs->controls, event->id) == noErr) return noErr;
        if (event->id == CID_SHARING_LBOX_friendList.id)
            prefs->logic.friendListSelection(vx::hostControlValue(event->control));
        else if (event->id == CID_SHARING_LBOX_seeLocalFriends.id)
            prefs->logic.localListSelection(vx::hostControlValue(event->control));
        else if (event->id == CID_PLACES_LBOX_trips.id)
            prefs->logic.tripListSelection(vx::hostControlValue(event->control));
        return noErr;
    default:
        return eventNotHandledErr;
    }
}

} // namespace

bool OpenPreferencesGUI(CalGetData* engine) {
    if (!engine || !vx::hostHasWindows()) return false;
    const std::string resources = vx::ownBundleResourceFolder(kBundleIdentifier);
    if (resources.empty()) return false;
    // Opening it again while it is up brings it forward as it stands.
    if (gPreferences && gPreferences->controls.windowShown()) {
        gPreferences->controls.showWindow();
        return true;
    }
    gPreferences.reset();
    auto prefs = std::make_unique<PreferencesWindow>(engine);
    VxWindow* window =
        vx::hostCreateWindow(resources.c_str(), kWindowName,
                             vx::guarded<"preferences window", PreferencesControlHandler>(), prefs.get());
    if (!window) return false;
    prefs->window = window;
    prefs->controls.attach(window);
    prefs->logic.fill();
    InstallTabHandler(prefs->controls);
    prefs->controls.showWindow();
    gPreferences = std::move(prefs);
    return true;
}

void ClosePreferencesGUI() {
    gPreferences.reset();
}
