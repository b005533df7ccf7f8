#include "platform/desktop_notifications.h"
#include "platform/growl_script.h"
#include "platform/script_runner.h"
#include "platform/system.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

namespace vx {

namespace {

std::atomic<ScriptRunner> testRunner{nullptr};

// "~/..." is the user's home folder, as the notification application reads an image location.
std::string expandHome(const std::string& location) {
    if (location.rfind("~/", 0) == 0) return homeFolder() + location.substr(1);
    return location;
}

// The description's parts are separated by carriage returns; the body has one part a line.
std::string bodyOf(const std::string& description) {
    std::string body, line;
    for (const char c : description + "\r") {
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        if (line.empty()) continue;
        if (!body.empty()) body += '\n';
        body += line;
        line.clear();
    }
    return body;
}

OSStatus deliver(const GrowlScript& script, std::string* result) {
    std::string reason;
    if (script.kind == GrowlScript::Kind::Registration) {
        // Registration is implicit with the desktop service; only its absence is worth a word.
        if (!desktopNotificationServiceReady(reason))
            std::fprintf(stderr, "Voxtrail: notifications will not be shown: %s\n", reason.c_str());
        return noErr;
    }
    const DesktopNoticeResult r =
        showDesktopNotice(script.applicationName, script.title, bodyOf(script.description),
                          expandHome(script.imageLocation), reason);
    if (r != DesktopNoticeResult::Shown) {
        // As with the notification application not running: nothing is shown, no error.
        std::fprintf(stderr, "Voxtrail: notification \"%s\" not shown: %s\n", script.name.c_str(),
                     reason.c_str());
        if (result) *result = reason;
    }
    return noErr;
}

} // namespace

void setScriptRunnerForTesting(ScriptRunner runner) {
    testRunner.store(runner);
}

} // namespace vx

OSStatus LowRunAppleScript(const char* text, std::size_t length, std::string* result) {
    if (result) result->clear();
    if (!text) return paramErr;
    const std::string script(text, length);
    if (vx::ScriptRunner r = vx::testRunner.load()) return r(script.c_str());
    const std::string osascript = vx::findProgram("osascript");
    if (!osascript.empty()) {
        const char* argv[] = {osascript.c_str(), "-", nullptr};
        const int status = vx::runProgram(osascript.c_str(), argv, script.c_str());
        if (status == 0) return noErr;
        if (result) *result = "osascript ended with status " + std::to_string(status);
        return -1753; // a script error
    }
    if (const auto recognized = vx::recognizeGrowlScript(script)) return vx::deliver(*recognized, result);
    if (result) *result = "no scripting component";
    return paramErr;
}

OSStatus SimpleRunAppleScript(const char* text) {
    if (!text) return paramErr;
    return LowRunAppleScript(text, std::strlen(text), nullptr);
}
