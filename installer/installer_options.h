#pragma once
// The installer's command line.
#include <optional>
#include <string>
#include <vector>

namespace vx::installer {

enum class Mode { Window, Headless, Install, Uninstall, Snapshot, Help };

struct InstallerOptions {
    Mode mode = Mode::Window;
    std::string scriptPath;   // headless: the command file; empty means standard input
    std::string snapshotPath; // snapshot: the PNG to write
};

const char* usageText();

// Nothing (and error set) when the arguments make no sense.
std::optional<InstallerOptions> parseInstallerOptions(const std::vector<std::string>& args,
                                                      std::string& error);

enum class Action { CheckStart, UncheckStart, PressInstall, PressUninstall, Answer, Quit, Nothing };

struct HeadlessCommand {
    Action action = Action::Nothing;
    std::string button; // for Answer
};

// One line of a headless script; blank lines and "#" comments do nothing.
std::optional<HeadlessCommand> parseHeadlessCommand(const std::string& line, std::string& error);

// "sheet: TITLE | MESSAGE" on one line: line breaks become "\n" and backslashes "\\".
std::string sheetLine(const std::string& title, const std::string& message);

} // namespace vx::installer
