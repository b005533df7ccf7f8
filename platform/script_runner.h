#pragma once
// Runs a script text the plug-in wrote. Where osascript exists the script is run by it; elsewhere
// the notification-service registration is accepted (notifications then go to the desktop
// notification service) and any other script answers paramErr (no scripting component).
#include "platform/visual_plugin_api.h"

#include <string>

OSStatus SimpleRunAppleScript(const char* text);

namespace vx {
// Tests replace the runner; null restores the system's.
using ScriptRunner = OSStatus (*)(const char* text);
void setScriptRunnerForTesting(ScriptRunner runner);
// Runs program with the arguments (no shell), text on its standard input; its exit status, or
// -1 when it could not be started.
int runProgram(const char* program, const char* const* argv, const char* input);
// The full path of a program on PATH, or "".
std::string findProgram(const char* name);
} // namespace vx
