#pragma once
// The plug-in's own notice window: "Voxtrail_Notify" slides in at the top right of the main
// display in 1 s, stays 4 s and fades out in 2 s, on a 10 ms timer of the host's event loop.
// One window for concerts and one for album releases; a release window opened while the concert
// window is up comes to rest under it.
#include "platform/visual_plugin_api.h"

#include <string>

// The animation of one window, handed to its timer and its event handler.
struct NotifyAnimation {
    float slideInTime = 1.0f;
    float holdTime = 4.0f;
    float fadeOutTime = 2.0f;
    float tickInterval = 0.01f;
    float alpha = 0.0f;
    float elapsed = 0.0f;
    int ticks = 0;
    int top = 0; // from the display's top
    int left = 0;
    int displayTop = 0;
    int displayHeight = 0;
    int displayWidth = 0;
    int windowWidth = 0;
    int windowHeight = 0;
    bool stacked = false;
    char url[256] = {};
    char webServiceHost[256] = {};
    // The globals of its kind, cleared when the window goes.
    VxWindow** window = nullptr;
    VxTimer** timer = nullptr;
    NotifyAnimation** record = nullptr;
};

// Null while no such window is on screen.
extern VxWindow* hNotifyConcertWindow;
extern VxTimer* theTimerConcertWindow;
extern NotifyAnimation* theAnimationConcertWindow;
extern VxWindow* hNotifyAlbumWindow;
extern VxTimer* theTimerAlbumWindow;
extern NotifyAnimation* theAnimationAlbumWindow;

// Shows a notice window of kind 0 (concert) or 1 (release) with three labels and their values;
// a click opens the click-through page of link on webServiceHost. unimpErr when the plug-in's
// bundle, its interface file or the host's windows are missing.
OSStatus OpenNotifyGUI(VxWindow** window, VxTimer** timer, NotifyAnimation** animation, int kind,
                       const char* label1, const char* label2, const char* label3, const char* value1,
                       const char* value2, const char* value3, const char* link, const char* webServiceHost);
// One tick of the animation.
void TimerAction(VxTimer* timer, void* animation);
// The mouse over the window holds it; a click opens the notice's page.
OSStatus NotifyControlHandler(VxWindow* window, const VxWindowEvent* event, void* animation);

// Takes a notice window off the screen with its timer, and clears its globals.
void closeNotifyWindow(VxWindow** window, VxTimer** timer, NotifyAnimation** animation);
// Both windows (the plug-in is closing).
void removeNotifyWindows();

// Where the interface file and the icons are; tests point it at the source's resources ("" is
// the plug-in bundle's own Resources folder).
void setNotifyResourceFolderForTesting(const std::string& folder);
