#pragma once
// The desktop's notification service (freedesktop.org, on the session bus): the stand-in for
// the notification application the plug-in's scripts talk to.
#include <string>

namespace vx {

enum class DesktopNoticeResult { Shown, NoBus, NoService, Failed };

// True when a session bus answers and a notification service is on it (or can be started);
// otherwise why in reason.
bool desktopNotificationServiceReady(std::string& reason);

// One notice from application appName. Texts are the plug-in's bytes (UTF-8 where well formed,
// other bytes Mac OS Roman); iconPath a file or "". On failure reason says why.
DesktopNoticeResult showDesktopNotice(const std::string& appName, const std::string& summary,
                                      const std::string& body, const std::string& iconPath,
                                      std::string& reason);

} // namespace vx
