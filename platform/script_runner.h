#pragma once
// Runs a script text the plug-in wrote. Where osascript exists the script is run by it. Elsewhere
// the notification scripts the plug-in writes (the registration and a notice, recognised word for
// word) go to the desktop's notification service on the session bus; with no bus or no service
// nothing is shown and one line goes to standard error. Any other script answers paramErr (no
// scripting component).
#include "platform/visual_plugin_api.h"

#include <cstddef>
#include <string>

OSStatus SimpleRunAppleScript(const char* text);
// Runs length bytes of text; when result is given it receives the error message, or the
// script's result as text.
OSStatus LowRunAppleScript(const char* text, std::size_t length, std::string* result);

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
