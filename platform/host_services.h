#pragma once
// Window services of the host application, found at run time in the host executable.
#include "platform/visual_plugin_api.h"

namespace vx {

// The host's services, or null when the process has none (a test harness without a window).
const VxHostServices* hostServices();

// Tests put their own services in place (null restores the look-up of the host's).
void setHostServicesForTesting(const VxHostServices* services);

} // namespace vx
