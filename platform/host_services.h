#pragma once
// The host's services as the plug-in sees them: the table the host handed over in the entry's
// init record, and null-safe calls of each service.
#include "platform/boundary_guard.h"
#include "platform/visual_plugin_api.h"

namespace vx {

// Takes the table from the entry's init record. A table older or smaller than this plug-in
// needs is refused with one line on standard error; without one (refused, or a host that
// offers none) the plug-in runs without host services. True when a table was accepted.
bool acceptHostServices(const PluginInitMessage* init);
// Forgets the host's table; the entry's cleanup calls it, after which the table may be gone.
void forgetHostServices();

// The accepted table, or null when the process has none (a test harness without a window).
const VxHostServices* hostServices();

// Tests put their own table in place, taken as it is (null goes back to the host's).
void setHostServicesForTesting(const VxHostServices* services);

// Null-safe calls: each answers as below when there is no table or the host's table lacks the
// service. The thread each may be called on is the service's own (see VxHostServices).

// Null when there is no window.
void* hostActiveNonFloatingWindow();
// Null when the handler was not installed.
void* hostInstallMouseHandler(void* window, GuardedProc<VxMouseHandlerProc> proc, void* userData);
void hostRemoveMouseHandler(void* handlerRef);
// The chosen button (kVxAlertDefaultButton / kVxAlertCancelButton); 0 when no alert was shown.
int32_t hostShowAlert(const char* title, const char* message, const char* defaultButton,
                      const char* cancelButton);
// 0 with the chosen path in outPath; -1 when cancelled or unavailable.
int32_t hostChooseFile(const char* title, char* outPath, uint32_t capacity);
// As hostChooseFile, opening in folder where the host can; an older host opens where it likes.
int32_t hostChooseFileIn(const char* title, const char* folder, char* outPath, uint32_t capacity);
// noErr when the host opened the URL; unimpErr without the service.
OSStatus hostOpenURL(const char* url);
// False when the host has no clipboard service.
bool hostCopyToClipboard(const char* text);
// Tells the host whether user actions are still being carried out; nothing on an older host.
void hostReportIdle(bool idle);
// False when fn was not posted (no host): the caller keeps ownership of ctx.
bool hostPostToHostThread(GuardedProc<void (*)(void* ctx)> fn, void* ctx);
// False when the host does not say; the outputs are then left as they were.
bool hostSystemVersion(int32_t* major, int32_t* minor);

} // namespace vx
