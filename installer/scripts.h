#pragma once
// The installer's two scripts among its resources, run with /bin/sh and stdin from /dev/null:
// "ASIsITunesOpen" prints "true" when the player runs in this home, and "ASOpenVxt" starts it.
#include <optional>
#include <string>

namespace vx::installer {

// Runs a script and returns what it printed (nothing kept unless captureOutput), or nothing when
// the script is missing, cannot start or ends with a non-zero status.
std::optional<std::string> runScript(const std::string& path, bool captureOutput);

// The running check: a script that is missing or fails counts as the player not running.
bool playerIsRunning(const std::string& resources);

// Starts the player; the script's output and failures are ignored.
void startPlayer(const std::string& resources);

} // namespace vx::installer
