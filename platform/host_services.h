#pragma once
// Window services of the host application, found at run time in the host executable.
#include "platform/visual_plugin_api.h"

namespace vx {

// The host's services, or null when the process has none (a test harness without a window).
const VxHostServices* hostServices();

// Tests put their own services in place (null restores the look-up of the host's).
void setHostServicesForTesting(const VxHostServices* services);

// Null-safe calls of the services added after the first three: each answers as below when the
// process has no host or the host lacks the service.

// The chosen button (kVxAlertDefaultButton / kVxAlertCancelButton); 0 when no alert was shown.
int32_t hostShowAlert(const char* title, const char* message, const char* defaultButton,
                      const char* cancelButton);
// 0 with the chosen path in outPath; -1 when cancelled or unavailable.
int32_t hostChooseFile(const char* title, char* outPath, uint32_t capacity);
// noErr when the host opened the URL; unimpErr without the service.
OSStatus hostOpenURL(const char* url);
// False when fn was not posted (no host): the caller keeps ownership of ctx.
bool hostPostToHostThread(void (*fn)(void* ctx), void* ctx);
// False when the host does not say; the outputs are then left as they were.
bool hostSystemVersion(int32_t* major, int32_t* minor);

} // namespace vx
