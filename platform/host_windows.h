#pragma once
// Windows from interface files, their controls and event-loop timers, as the plug-in calls them:
// null-safe calls of the host's window services. Each answers as stated when there is no table,
// the host's table lacks the service, or the handle is null. All are host thread only.
#include "platform/boundary_guard.h"
#include "platform/visual_plugin_api.h"

#include <string>

namespace vx {

// True when the host offers windows from interface files and timers.
bool hostHasWindows();

// The hidden window of resourceFolder/name.ui, or null.
VxWindow* hostCreateWindow(const char* resourceFolder, const char* name, GuardedProc<VxWindowEventProc> proc,
                           void* userData);
void hostDisposeWindow(VxWindow* window);
// Showing also brings the window to the front.
void hostShowWindow(VxWindow* window, bool visible);
void hostMoveWindow(VxWindow* window, int left, int top);
void hostSizeWindow(VxWindow* window, int width, int height);
// Screen coordinates; all zero when unknown.
Rect hostWindowBounds(VxWindow* window);
void hostSetWindowAlpha(VxWindow* window, float alpha);
// All zero when the host does not say.
Rect hostMainDisplayBounds();

// Null when the window has no control of that pair.
VxControl* hostFindControl(VxWindow* window, OSType signature, int32_t id);
// The control's text in UTF-8; "" when none.
std::string hostControlText(VxControl* control);
void hostSetControlText(VxControl* control, const char* text);
// 0 when none.
int32_t hostControlValue(VxControl* control);
void hostSetControlValue(VxControl* control, int32_t value);
void hostEnableControl(VxControl* control, bool enabled);
void hostShowControl(VxControl* control, bool visible);
// paramErr when the image cannot be shown; unimpErr without the service.
OSStatus hostSetControlImage(VxControl* control, const char* path);
void hostSetControlRows(VxControl* control, const char* const* rows, int32_t count);

// Null when no timer was made.
VxTimer* hostInstallTimer(double firstDelay, double interval, GuardedProc<VxTimerProc> proc, void* userData);
void hostRemoveTimer(VxTimer* timer);

} // namespace vx
